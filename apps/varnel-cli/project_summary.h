#pragma once
// A readable account of a project for the terminal.
#include <string>

#include "core/project_file.h"
#include "core/session.h"

namespace vn::cli {

void printProjectSummary(const std::string& path, const Session& session, const ProjectLoadInfo& info);

// Loads path; on failure prints one sentence to standard error and returns false.
bool loadProjectForCli(const std::string& path, Session& session, ProjectLoadInfo& info);

}  // namespace vn::cli
