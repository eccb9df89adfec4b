#ifndef ZKCP_IMPORT_VRMLSCENEBUILDER_H
#define ZKCP_IMPORT_VRMLSCENEBUILDER_H

#include <zkcp/import/ZKGeometryImporter.h>

#include <iosfwd>
#include <string>
#include <vector>

class SoSeparator;

// Turns an imported model into VRML 97 nodes under a separator (one
// reference held for the caller), naming its nodes as ZKGeometryImporter
// describes; `model` names the file in messages and unnamed roots. The
// lights and cameras of the model are appended to `lights` and `cameras`.
SoSeparator* buildVrmlScene(const ImportScene& scene, const std::string& model,
                            std::ostream& messages,
                            std::vector<ZKGeometryImporter::Light>& lights,
                            std::vector<ZKGeometryImporter::Camera>& cameras);

// `name` as a VRML 97 node name: characters VRML or Coin cannot carry
// become '_' (one for each run of them), a leading digit or '-' gets a '_'
// before it, and a VRML keyword gets one after it.
std::string vrmlNodeName(const std::string& name);

#endif
