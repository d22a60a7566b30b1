// The settings file of the Linux clock, written without QSettings: QSettings rewrites
// the whole file once per key, waits up to half a minute on a lock file that a killed
// writer left, and leaves its temporary files behind. The format stays QSettings'
// INI format, so QSettings reads what this writes.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "forms_runtime.h"

namespace torven::qt {

// A text in QSettings' INI form, which QSettings reads back as the same text.
std::string IniText(std::string_view text);

// Gives the keys of `values` their texts in the group `[group]` of the INI file at
// `path`, creating the folder, the file and the group as needed. Everything else in the
// file is kept; the group's keys are sorted, as QSettings writes them. The new file
// replaces the old in one rename, so a reader or a kill sees one or the other whole;
// two writers at once leave the one that renamed last. Leftovers of writers that were
// killed are removed first; none of them is waited for. False when the file could not
// be read or written, leaving it as it was.
bool WriteIniGroup(const std::string& path, std::string_view group,
                   std::span<const SettingText> values);

}  // namespace torven::qt
