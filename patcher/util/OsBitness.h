#pragma once
// True when Windows runs on an x64 (AMD64) processor.
bool IsOSx64();
