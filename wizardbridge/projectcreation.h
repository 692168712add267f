// A new PV project in the PV2 SDK's C directory, made from the templates
// beside the bridge.
#pragma once

#include <cstdio>
#include <string>

namespace plover {

// Copies a template project file character by character, each "%" and the
// character after it replaced by the project name. False when reading or
// writing failed.
bool copyProjectTemplate(std::FILE* templateFile, std::FILE* projectFile, const std::string& name);

// The text with & < > " and ' written as XML's entities.
std::string xmlEscaped(const std::string& text);

// Makes SDK\C\name with name.cbx from the template project file, copies the
// template directory into it and renames proj.cbx.local after the project.
// True when the project file was written and the copy succeeded; a refused
// name (projectname.h), an empty SDK path, or a path too long for Windows
// creates nothing and gives false. The project
// directory, once known, goes to createdDirectory; a false result comes
// with a one-line message in err.
bool createPv2Project(const std::string& moduleDirectory, const std::string& projectName, bool library,
                        std::string* createdDirectory, std::string* err);

}  // namespace plover
