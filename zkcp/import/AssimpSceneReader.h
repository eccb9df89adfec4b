#ifndef ZKCP_IMPORT_ASSIMPSCENEREADER_H
#define ZKCP_IMPORT_ASSIMPSCENEREADER_H

#include <zkcp/import/ImportScene.h>

#include <iosfwd>
#include <string>

// Reads an OBJ (with its MTL), STL, PLY, COLLADA or FBX file into `scene`,
// keeping its node tree and names. The file's first bytes must be those of
// the format its extension names. Returns false with `error` saying what is
// wrong (without the file name).
bool readAssimpScene(const std::string& fileName, ImportScene& scene, std::string& error,
                     std::ostream& messages);

#endif
