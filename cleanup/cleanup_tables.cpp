// The fixed tables of the cleanup of earlier installations, in the order
// the cleanup uses them.
#include "cleanup/cleanup_tables.h"

#include "sysint/product.h"

const ImageNameRow FirstTerminationList[] = {
    // The earlier client generation.
    {"HalvorClient.exe"},
    {"HalvorCertMgr.exe"},
    {"HalvorCertGUI.exe"},
    {"HalvorUpdate.exe"},
    {"HalvorShell.exe"},
    {"HalvorTest.exe"},
    {"HalvorAssist.exe"},
    {"HalvorTool.exe"},
    // Support programs and monitors of token and device drivers.
    {"KTPKIEgn.exe"},
    {"KTKeyMon.exe"},
    {"UKeyMonitor.exe"},
    {"UsbKeyDaemon.exe"},
    {"TokenTray.exe"},
    {"SKFKeyMon.exe"},
    {"CspHelper.exe"},
    {"KeyDrvSvc.exe"},
    {"CertMonitor.exe"},
    {"HDKeyMon.exe"},
    {"ePassTray.exe"},
    {"WDMonitor34.exe"},
    // Older setup programs.
    {"HalvorSetup.exe"},
    {"HalvorDrvSetup.exe"},
    {"HalvorUninst.exe"},
    // The encryption client of the sibling edition.
    {"HalvorEncClient.exe"},
};

const size_t FirstTerminationListSize = sizeof(FirstTerminationList) / sizeof(FirstTerminationList[0]);

const ImageNameRow SecondTerminationList[] = {
    // The 2nd to the 20th names of the first list.
    {"HalvorCertMgr.exe"},
    {"HalvorCertGUI.exe"},
    {"HalvorUpdate.exe"},
    {"HalvorShell.exe"},
    {"HalvorTest.exe"},
    {"HalvorAssist.exe"},
    {"HalvorTool.exe"},
    {"KTPKIEgn.exe"},
    {"KTKeyMon.exe"},
    {"UKeyMonitor.exe"},
    {"UsbKeyDaemon.exe"},
    {"TokenTray.exe"},
    {"SKFKeyMon.exe"},
    {"CspHelper.exe"},
    {"KeyDrvSvc.exe"},
    {"CertMonitor.exe"},
    {"HDKeyMon.exe"},
    {"ePassTray.exe"},
    {"WDMonitor34.exe"},
    // Then the root certificate importer, before the 21st and 22nd of the first list.
    {"ImportRootCert.exe"},
    {"HalvorSetup.exe"},
    {"HalvorDrvSetup.exe"},
    // The document and seal components.
    {"CommonOfdClientKelm.exe"},
    {"SealClientKelm.exe"},
    {"SealServiceKelm.exe"},
    // The importers, the first once more.
    {"ImportRootCert.exe"},
    {"ImportRootCert1.exe"},
    // The current suite.
    {"Tolvane.exe"},
    {"TolvaneGUI.exe"},
    {"TolvaneUpdate.exe"},
    {"TolvaneNews.exe"},
    {"TolvaneNotice.exe"},
};

const size_t SecondTerminationListSize = sizeof(SecondTerminationList) / sizeof(SecondTerminationList[0]);

const char* const EarlierDesktopShortcuts[] = {
    PRODUCT_NAME ".lnk",
    "Halvor数字证书客户端.lnk",
    "Halvor电子签章客户端.lnk",
};

const size_t EarlierDesktopShortcutsSize = sizeof(EarlierDesktopShortcuts) / sizeof(EarlierDesktopShortcuts[0]);

const char* const EarlierStartupValues[] = {
    PRODUCT_FOLDER_NAME "_Tolvane",
    PRODUCT_FOLDER_NAME "_TolvaneUpdate",
};

const size_t EarlierStartupValuesSize = sizeof(EarlierStartupValues) / sizeof(EarlierStartupValues[0]);

const ControlUnregistrationRow ControlUnregistrationTable[] = {
    // A control of the earlier generation, not registered again.
    {ControlFolder::Install, "HalvorCertX.ocx"},
    {ControlFolder::Install, "TolvaneCertX.ocx"},
    {ControlFolder::Install, "TolvaneSignX.ocx"},
    {ControlFolder::Install, "TolvaneEnvelopeX.ocx"},
    {ControlFolder::Install, "TolvaneCspX.ocx"},
    {ControlFolder::Install, "TolvaneKeyX.ocx"},
    {ControlFolder::Install, "TolvaneSealX.ocx"},
    // The file-access library in the system folder.
    {ControlFolder::System, "TolvaneFileAccess.dll"},
    {ControlFolder::Install, "TolvaneVerifyX.ocx"},
    {ControlFolder::Install, "TolvaneTimeStampX.ocx"},
    {ControlFolder::Install, "TolvaneCertMgrX.ocx"},
};

const size_t ControlUnregistrationTableSize =
    sizeof(ControlUnregistrationTable) / sizeof(ControlUnregistrationTable[0]);

const EarlierKeyRow EarlierKeyTable[] = {
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\NJA EKEY CSP V1.0"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\WatchData Cryptographic Provider v1.0 For NUVRA"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\Watchdata CSP v3.4 For NUVRA"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\Antaeus & Mingwah Aohan eKey RSA Cryptographic Provider v1.0"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\Antaeus & Mingwah Aohan eKey SChannel Cryptographic Provider v1.0"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\HENGBAO USB KEY CSP1.0.0 For NUVRA"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\EnterSafe ePass3003 CSP For NUVRA v1.0"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\HaiTai Cryptographic Service Provider For NUVRA"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\HaiTai"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\HaiTai_7D"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\HaiTai_ED"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\HaiTai_FD"},
    {"SYSTEM\\CurrentControlSet\\Services\\HaiKeyEnum\\parameters"},
    {"SYSTEM\\CurrentControlSet\\Services\\HaiKeyEnum"},
    {"SYSTEM\\CurrentControlSet\\Services\\WDMonitor34_nuvra"},
    {"SYSTEM\\CurrentControlSet\\Services\\KeyDeviceSer"},
    {"SYSTEM\\CurrentControlSet\\Services\\NewKeyUDSys"},
    {"SYSTEM\\ControlSet001\\Services\\WDMonitor34_nuvra"},
    {"SYSTEM\\ControlSet001\\Services\\KeyDeviceSer"},
    {"SYSTEM\\ControlSet001\\Services\\NewKeyUDSys"},
    {"SOFTWARE\\mwcsps_v10.dll"},
    {"SOFTWARE\\WatchData\\WatchData CRW\\Parameter"},
    {"SOFTWARE\\WatchData\\WatchData CRW"},
    {"SOFTWARE\\WatchData"},
    {"SOFTWARE\\" PRODUCT_FOLDER_NAME "\\" PRODUCT_NAME},
    {kUninstallKey},
    // The certificate authority's own provider and its settings keys.
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\Halvor RSA CSP v1.0"},
    {"SOFTWARE\\Wow6432Node\\Microsoft\\Cryptography\\Defaults\\Provider\\Halvor RSA CSP v1.0"},
    {"SOFTWARE\\HalvorCSP"},
    {"SOFTWARE\\Wow6432Node\\HalvorCSP"},
    {"SOFTWARE\\HalvorCSP_m"},
    {"SOFTWARE\\Wow6432Node\\HalvorCSP_m"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\DMWZ eSafe CSP for PRAVIK v1.0"},
    {"SOFTWARE\\Wow6432Node\\Microsoft\\Cryptography\\Defaults\\Provider\\DMWZ eSafe CSP for PRAVIK v1.0"},
    {"SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\Longmai mToken GM3000 CSP V1.1"},
    {"SOFTWARE\\Wow6432Node\\Microsoft\\Cryptography\\Defaults\\Provider\\Longmai mToken GM3000 CSP V1.1"},
};

const size_t EarlierKeyTableSize = sizeof(EarlierKeyTable) / sizeof(EarlierKeyTable[0]);
