#include "cleanup/cleanup_tables.h"

const char* const EarlierStartupValues[] = {
    "TolvaneKelm_Tolvane",
    "TolvaneKelm_TolvaneUpdate",
};

const size_t EarlierStartupValuesSize = sizeof(EarlierStartupValues) / sizeof(EarlierStartupValues[0]);
