#include "install/registration_tables.h"

const RegImportRow RegImportTable[] = {
    // The certificate authority's own providers.
    {"Halvor RSA CSP v1.0", RegProbe::First},
    {"Halvor SM2 CSP v1.0", RegProbe::First},
    {"Halvor CSP Settings", RegProbe::First},
    {"DMWZ eSafe CSP for PRAVIK v1.0", RegProbe::First},
    {"Longmai mToken GM3000 CSP V1.1", RegProbe::First},
    // The document reader's server.
    {"SwOESServer1", RegProbe::Second},
    {"SwOESServer2", RegProbe::Second},
    {"ocx.reg", RegProbe::None},
    {"ocx1.reg", RegProbe::None},
    {"reg.reg", RegProbe::None},
};

const size_t RegImportTableSize = sizeof(RegImportTable) / sizeof(RegImportTable[0]);
