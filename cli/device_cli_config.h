#pragma once
// Where re2-device takes its port, speed and address from: the options given, else the
// terminal's config.cfg, found by the terminal's folder rules applied to re2-device's own
// program file (or in --config-dir), else the terminal's defaults.

#include "cli/cli_session.h"

#include <string>

struct t_device_cli_options;

// The folder of the running program file, ending in '/'; empty when it cannot be told.
std::string OwnProgramDirectory();

// The settings folder (ending in '/') for the options and the program folder.
std::string CliSettingsDirectory(const t_device_cli_options& options,
                                 const std::string& programDirectory);

// The link the options and the settings folder's config.cfg name. False, with the reason,
// for a port text that is no port.
bool ResolveCliLink(const t_device_cli_options& options, const std::string& settingsDirectory,
                    t_cli_link& link, std::string& error);
