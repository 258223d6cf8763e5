#pragma once
// Messages the patcher sends to the service's "TaskManager" object.
#include <cstdint>

// Announces the patcher's process (buffer: a cSyncRequest).
constexpr uint32_t kMsgClassProcess = 0xAE5E2EA3;
constexpr uint32_t kMsgRegisterInvisible = 0x1002;

// Asks the product to request an operating-system restart.
constexpr uint32_t kMsgClassRebootRequest = 0x64E52DB8;
constexpr uint32_t kMsgRebootRequest = 0;

// Tells the product that its state changed.
constexpr uint32_t kMsgClassProductState = 0x2937151D;
constexpr uint32_t kMsgProductStateChanged = 0xC1D5EFA5;
