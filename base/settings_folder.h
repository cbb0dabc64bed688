#pragma once
// Where the per-user files live: config.cfg and the COMn links.
//
// A portable copy keeps them in its own program directory, which the user can write and
// which is not the bin directory the program was built to be installed into. An installed
// program, or a copy in a directory the user cannot write, keeps them in the user's
// configuration folder: $XDG_CONFIG_HOME/re2-terminal/, or ~/.config/re2-terminal/ when
// XDG_CONFIG_HOME is unset, empty or relative.

#include <functional>
#include <string>

// What the choice depends on, gathered by the caller. Directories may or may not end in '/'.
struct t_settings_folder_inputs {
    std::string programDirectory;    // ends in '/', or empty for the current directory
    std::string installBinDirectory; // absolute, compiled in
    std::string xdgConfigHome;       // value of XDG_CONFIG_HOME, empty when unset
    std::string xdgStateHome;        // value of XDG_STATE_HOME, empty when unset
    std::string home;                // the user's home directory, empty when unknown
    std::function<bool(const std::string& directory)> isWritable;
};

// The path without the slashes that end it ("/" stays "/").
std::string WithoutTrailingSlashes(std::string directory);
// True for a path that starts at the root; the XDG variables count only then.
bool IsAbsolute(const std::string& path);

// The folder, ending in '/' (empty for the current directory, as for the program
// directory). Falls back to the program directory when there is no absolute home to put
// the configuration folder in.
std::string ChooseSettingsDirectory(const t_settings_folder_inputs& inputs);

// True for a portable copy: a program directory this process can write that is not the
// install bin directory. Such a copy keeps every per-user file in its program directory.
bool IsPortableCopy(const t_settings_folder_inputs& inputs);

// What the choice depends on for this process: the bin directory of the install prefix it
// was built for, the environment, the user database for a missing HOME, and access(2) for
// writability.
t_settings_folder_inputs SettingsFolderInputsOf(const std::string& programDirectory);

// The choice for this process: the bin directory of the install prefix it was built for,
// the environment, the user database for a missing HOME, and access(2) for writability.
std::string SettingsDirectoryOf(const std::string& programDirectory);

// The bin directory of the install prefix, ending in '/'.
std::string InstallBinDirectory();

// Creates the missing directories of `directory` with mode 0700, as the XDG rules ask for
// the configuration folder; existing ones are left as they are. True when it exists as a
// directory afterwards.
bool MakeSettingsDirectory(const std::string& directory);
