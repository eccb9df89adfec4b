// Loading the images of a Texture3 node whose file names hold a '%'.
//
// When Coin cannot load a Texture3 image, or the images differ in size, it
// writes the file name into the format of its message, so a '%' in the name
// is taken for a conversion and reads arguments that are not there. Coin
// reaches SoTexture3::loadFilenames through the dynamic linker (from
// readInstance and from the file-name sensor), so the library defines it:
// names without a '%' go straight to Coin's own; otherwise the images are
// loaded here first, and a fault is posted with the names as arguments, in
// Coin's words, before Coin's loader could meet it.
#include <Inventor/SbImage.h>
#include <Inventor/SoInput.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/lists/SbStringList.h>
#include <Inventor/nodes/SoTexture3.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

using CoinLoad = SbBool (*)(SoTexture3*, SoInput*);

template <typename... Args>
void post(SoInput* in, const char* format, Args... args) {
  if (in) {
    SoReadError::post(in, format, args...);
  } else {
    SoDebugError::postWarning("SoTexture3::loadFilenames()", format, args...);
  }
}

// Whether Coin's loader would load every image without a fault; the fault
// is posted when it would not.
bool imagesLoad(const SoMFString& filenames, SoInput* in) {
  const SbStringList& dirs = SoInput::getDirectories();
  SbVec3s first(0, 0, 0);
  int firstComponents = 0;
  for (int n = 0; n < filenames.getNum(); ++n) {
    const char* name = filenames[n].getString();
    SbImage image;
    if (!image.readFile(filenames[n], dirs.getArrayPtr(), dirs.getLength())) {
      post(in, "Could not read texture file #%d: %s", n, name);
      return false;
    }
    SbVec3s size;
    int components = 0;
    image.getValue(size, components);
    if (n == 0) {
      first = size;
      firstComponents = components;
    } else if (size != first || components != firstComponents) {
      post(in,
           "Texture file #%d (%s) has wrong size:Expected (%d,%d,%d,%d) got (%d,%d,%d,%d)\n", n,
           name, first[0], first[1], first[2], firstComponents, size[0], size[1], size[2],
           components);
      return false;
    }
  }
  return true;
}

}  // namespace

__attribute__((visibility("default"))) SbBool SoTexture3::loadFilenames(SoInput* in) {
  static const CoinLoad coinLoad =
      reinterpret_cast<CoinLoad>(dlsym(RTLD_NEXT, "_ZN10SoTexture313loadFilenamesEP7SoInput"));
  for (int n = 0; n < filenames.getNum(); ++n) {
    if (std::strchr(filenames[n].getString(), '%')) {
      if (!imagesLoad(filenames, in)) return FALSE;
      break;
    }
  }
  return coinLoad ? coinLoad(this, in) : FALSE;
}
