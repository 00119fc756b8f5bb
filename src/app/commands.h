#pragma once
// Carrying out queued commands, and whether a command can be given now. A command
// whose feature is not in this build is never available, so its menu item shows
// disabled rather than doing nothing.
#include "app/app_command.h"

namespace vn {

struct AppState;

bool commandAvailable(const AppState& app, CommandId id);
// Shown with a check mark in the menus.
bool commandChecked(const AppState& app, CommandId id);

void runCommand(AppState& app, const AppCommand& command);
// Runs everything queued since the last frame, in order.
void runPendingCommands(AppState& app);

}  // namespace vn
