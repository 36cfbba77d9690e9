#include "PXRequestOptions.h"

#include "PXServiceOverride.h"

PXRequestOptions::PXRequestOptions()
    : baseURL(PXServiceOverride::currentBaseURL())
{ }
