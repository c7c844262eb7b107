#include "cleanup/cleanup_tables.h"

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
    {"ImportRootCert.exe"},
    // The 21st and 22nd.
    {"HalvorSetup.exe"},
    {"HalvorDrvSetup.exe"},
    // The document and seal components.
    {"CommonOfdClientKelm.exe"},
    {"SealClientKelm.exe"},
    {"SealServiceKelm.exe"},
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
