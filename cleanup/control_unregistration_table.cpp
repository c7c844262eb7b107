#include "cleanup/cleanup_tables.h"

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
