#ifndef ZKCP_TOOLS_ZKCP_EXPORT_NAMECHECK_H
#define ZKCP_TOOLS_ZKCP_EXPORT_NAMECHECK_H

#include <nlohmann/json.hpp>

#include <string>

// Refuses every name in the world description that the written world could
// not carry: names that become DEF, PROTO or field names must be VRML 97
// identifiers, names that become file names must stay inside the output
// folder and fit in a VRML url string. Throws InputError naming `file`, the
// JSON path and the reason. Values of the wrong kind are left to the reader.
void checkNames(const std::string& file, const nlohmann::json& description);

#endif
