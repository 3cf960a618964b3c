// The frame of every custom action: an exported __stdcall function of one session handle
// whose body runs behind a guard, so that nothing thrown ever crosses the export.
#pragma once

#include "platform/win32.h"

#define CUSTOM_ACTION extern "C" UINT __stdcall

// Almost every action ends with this on every path, so that no failure of its own ends
// the installation.
const UINT kActionSuccess = ERROR_SUCCESS;

// Runs body(); any exception becomes the action's failure result.
template <typename Body>
UINT GuardAction(UINT failureResult, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failureResult;
  }
}
