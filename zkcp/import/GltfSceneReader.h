#ifndef ZKCP_IMPORT_GLTFSCENEREADER_H
#define ZKCP_IMPORT_GLTFSCENEREADER_H

#include <zkcp/import/ImportScene.h>

#include <iosfwd>
#include <string>
#include <vector>

// Reads the glTF 2.0 model `bytes` (a .glb when `binary`) of the file
// `fileName` into `scene`. Every accessor, buffer view and index is checked
// against the data it names, sparse accessors are applied, and a node that
// is its own ancestor or the child of two nodes is refused. External buffers
// and images are read beside `fileName` only when `externalFiles`. Returns
// false with `error` saying what is wrong (without the file name).
bool readGltfScene(const std::string& fileName, const std::vector<unsigned char>& bytes,
                   bool binary, bool externalFiles, ImportScene& scene, std::string& error,
                   std::ostream& messages);

#endif
