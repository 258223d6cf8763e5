#pragma once
// The framework root object of the last successful load, shared process-wide
// so that records can reach the framework without a connection at hand.
#include "TesselApi.h"

hOBJECT GetFrameworkRoot();
void SetFrameworkRoot(hOBJECT root);
