// Where the IDE keeps the PV SDK tool set's files, relative to the bridge's
// directory (the IDE's bin\): the one place these strings are spelt.
#pragma once

namespace plover {

// The settings file the bridge reads.
inline constexpr char kSettingsFile[] = "..\\toolsets\\PVSDK\\Settings.ini";

// kestrel, without the extension of the host's programs.
inline constexpr char kKestrelProgram[] = "..\\toolsets\\PVSDK\\kestrel";

// The directory of the project templates and the simulator templates.
inline constexpr char kTemplatesDirectory[] = "..\\templates\\PVSDK\\";

// The project templates: the directories copied into a new project, and its
// project file.
inline constexpr char kApplicationTemplate[] = "..\\templates\\PVSDK\\projapp";
inline constexpr char kLibraryTemplate[] = "..\\templates\\PVSDK\\projlib";

// The simulator templates' names are joined to kTemplatesDirectory as they
// are, which doubles the separator ("PVSDK\\projdbg1280.cpj"). Kept on
// purpose: the file system accepts it, and this is the path the simulator
// template has always been read from.
inline constexpr char kWideSimulatorTemplate[] = "\\projdbg1280.cpj";
inline constexpr char kSimulatorTemplate[] = "\\projdbg1024.cpj";

}  // namespace plover
