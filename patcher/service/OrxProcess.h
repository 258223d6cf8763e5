#pragma once
// Whether the product service process runs on the machine.

// True when a process whose executable name is exactly "orx.exe" (letter
// case included) is in a process snapshot; false also when no snapshot can
// be taken.
bool IsOrxProcessRunning();
