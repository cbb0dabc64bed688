#pragma once
// Where the parts of cut readouts live, and whether they may be kept there.
//
// A part's bytes end up in a measurement file as the device's memory, so a part is trusted
// only where no one else could have written it: the part, and every folder from its own up
// to the state folder or the program directory, must belong to the user who runs the
// program and be writable by no group and no other user (as ssh treats its files). The
// state folder is never made inside a home of another user (root run with someone's HOME):
// the folders made would be root's and that user's own readouts could keep no part there.

#include "base/settings_folder.h"

#include <string>

struct t_readout_part_folder {
    // Ends in '/'; empty for the current directory.
    std::string directory;
    // The state folder ($XDG_STATE_HOME or ~/.local/state) or the program directory: the
    // folders are checked from directory up to this one.
    std::string top;
    // The home directory folders are made in when the state folder lies inside it; empty
    // otherwise.
    std::string home;
    bool operator==(const t_readout_part_folder&) const = default;
};

// The folder: the program directory of a portable copy, else $XDG_STATE_HOME/re2-terminal/,
// or ~/.local/state/re2-terminal/ when XDG_STATE_HOME is unset, empty or relative; the
// program directory when there is no absolute home either. Uses inputs.xdgStateHome, not
// inputs.xdgConfigHome.
t_readout_part_folder ChooseReadoutPartFolder(const t_settings_folder_inputs& inputs);
// The choice for this process (see SettingsFolderInputsOf).
t_readout_part_folder ReadoutPartFolderOf(const std::string& programDirectory);

// Makes the missing folders of folder.directory (mode 0700) and checks that parts may be
// kept there. Empty when they may; otherwise why not, in the words the console uses.
std::string PrepareReadoutPartFolder(const t_readout_part_folder& folder);
// Whether the file at path may be read and written as a part: empty when it may or when
// nothing is there; otherwise why not (not a regular file, another owner, writable by
// others, or the system's reason it cannot be looked at).
std::string ReadoutPartFileProblem(const std::string& path);
