# What the sample payload holds besides the plain files under payload/.
# Paths are relative to setupdir/ (the installation folder) or windir/ (the
# system folder); "/" separates folders.

# Copies of tolvane-stub.exe in the installation folder.
set(SAMPLE_PROGRAMS
  Tolvane.exe
  TolvaneGUI.exe
  TolvaneUpdate.exe
  TolvaneNews.exe
  TolvaneNotice.exe
  CommonOfdClientKelm.exe
  uninstall.exe
  OESRPC_win32/SwOESServer.exe
  VOSKPdfClient.exe
  SelectCommonPdfClientTernix.exe
  vcredist_x86.exe
  dotNetFx40_Full_x86_x64.exe
  ImportRootCert.exe
  ImportRootCert1.exe
  DoroSetup.exe
  AHCAHDDriverSetup.exe
  KSecServ.exe
  KTPKIEgn.exe
)

# Copies of tolvane-stubctl.dll in the installation folder, in the order the
# installer registers them.
set(SAMPLE_CONTROLS
  TolvaneCertX.ocx
  TolvaneSignX.ocx
  TolvaneEnvelopeX.ocx
  TolvaneCspX.ocx
  TolvaneKeyX.ocx
  TolvaneSealX.ocx
  TolvaneVerifyX.ocx
  TolvaneTimeStampX.ocx
  TolvaneCertMgrX.ocx
  TolvaneUKeyX.ocx
  NUVRASOF.ocx
  TolvaneSecurityX.ocx
  TolvaneKeyMgrX.ocx
  TolvaneSealMgrX.ocx
  Reader_Pro/suwellreaderax.dll
  TolvaneOfdConvX.ocx
  TolvaneSealViewX.ocx
  TolvanePdfViewX.ocx
  TolvanePdfSealX.ocx
)

# Copies of tolvane-stubctl.dll in the system folder.
set(SAMPLE_SYSTEM_LIBRARIES
  TolvaneFileAccess.dll
  TolvaneSKF.dll
  TolvaneCSP.dll
  atl100chs.dll
  数字证书组件.dll
)

# Registry files under Reg/ with a " 32.reg" and a " 64.reg" variant.
set(SAMPLE_REG_VARIANTS
  "Halvor RSA CSP v1.0"
  "Halvor SM2 CSP v1.0"
  "Halvor CSP Settings"
  "DMWZ eSafe CSP for PRAVIK v1.0"
  "Longmai mToken GM3000 CSP V1.1"
  "SwOESServer1"
  "SwOESServer2"
)

# Registry files under Reg/ without variants.
set(SAMPLE_REG_PLAIN
  ocx.reg
  ocx1.reg
  reg.reg
)

# The key that every sample registry file writes one value to: the value's
# name is the file's name, its data the variant ("32", "64" or "-").
set(SAMPLE_REG_KEY "HKEY_LOCAL_MACHINE\\SOFTWARE\\TolvaneSample\\RegImport")
# Each variant file also writes, below this key, the key named after its base
# name with the value "位数" = "32位系统" or "64位系统".
set(SAMPLE_REG_PLATFORM_KEY "HKEY_LOCAL_MACHINE\\SOFTWARE\\TolvaneSample\\平台")
