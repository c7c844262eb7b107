#include "install/registration_tables.h"

const ControlRegistrationRow ControlRegistrationTable[] = {
    {ControlRowFolder::System, ControlAction::Register, "TolvaneFileAccess.dll"},
    // Certificate and signing controls.
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneCertX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSignX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneEnvelopeX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneCspX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneKeyX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSealX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneVerifyX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneTimeStampX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneCertMgrX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneUKeyX.ocx"},
    // Its old place: the control now lives in the installation folder.
    {ControlRowFolder::System, ControlAction::UnregisterThenDelete, "NUVRASOF.ocx"},
    // Security, key and seal management.
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSecurityX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneKeyMgrX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSealMgrX.ocx"},
    // The document reader's control.
    {ControlRowFolder::InstallReader, ControlAction::Register, "suwellreaderax.dll"},
    // The token driver's setup.
    {ControlRowFolder::Install, ControlAction::RunIfPresent, "AHCAHDDriverSetup.exe"},
    // Document conversion, seal and PDF view controls.
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneOfdConvX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSealViewX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvanePdfViewX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvanePdfSealX.ocx"},
};

const size_t ControlRegistrationTableSize = sizeof(ControlRegistrationTable) / sizeof(ControlRegistrationTable[0]);
