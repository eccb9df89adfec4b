#include <zkcp/vrml/NavigationPathWriter.h>
#include <zkcp/vrml/ViewpointWriters.h>
#include <zkcp/world/ZKNavigationPath.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKViewpoint.h>

#include "GoldenText.h"

#include <unistd.h>

#include <sstream>

namespace {

using zkcp_test::sameText;

template <class T>
std::string text(const T& object) {
  return (std::ostringstream() << object).str();
}

// What one write of `path` with the format word `format` puts into a file.
std::string written(int format, const ZKNavigationPath& path) {
  // One file per process: ctest runs the tests of this program in parallel.
  const std::string file = zkcp_test::scratchPath("zk_path_" + std::to_string(getpid()));
  {
    zkofstream os(file.c_str());
    os.setFormat(format);
    os << path;
  }
  return zkcp_test::readFile(file);
}

ZKNavigationPath threeStops() {
  ZKNavigationPath path("tour");
  const auto stop = [&](const SbVec3f& point, const SbRotation& orientation) {
    ZKPosition p;
    p = point;
    p = orientation;
    path.appendPosition(p);
  };
  stop(SbVec3f(1, 2, 3), SbRotation::identity());
  stop(SbVec3f(4, 5, 6), SbRotation(SbVec3f(0, 1, 0), 0.5f));
  stop(SbVec3f(0.5f, 0, -1), SbRotation(SbVec3f(1, 0, 0), 1));
  return path;
}

const char kStop0[] =
    "Transform {\n\ttranslation\t\t1          2          3         \n"
    "\trotation\t\t0          0          1          0         \n}\n";

TEST(ViewWriters, ViewpointSensorAndPositionNodes) {
  ZKViewpoint hall("hall", "The hall", SbVec3f(1, 2, 3), SbRotation::identity(), 0.785398f, 1);
  EXPECT_TRUE(sameText(text(hall),
                       "DEF hall Viewpoint {\n\tposition\t\t1          2          3         \n"
                       "\torientation\t\t0          0          1          0         \n"
                       "\tfieldOfView\t\t0.785398\n\tdescription\t\t\"The hall\"\n"
                       "\tjump\t\tTRUE\n}\n"));
  EXPECT_EQ(text(ZKViewpoint()).rfind("Viewpoint {\n", 0), 0u);

  ZKProximitySensor lobby;
  lobby.setName("lobby");
  lobby.setCenter(SbVec3f(0, 1.5f, 0));
  EXPECT_TRUE(sameText(text(lobby),
                       "DEF lobby ProximitySensor {\n\tcenter\t\t0          1.5        0         \n"
                       "\tsize\t\t10         10         10        \n\tenabled\t\tTRUE\n}\n"));

  EXPECT_TRUE(sameText(text(threeStops()[0]), kStop0));
}

TEST(NavigationPathWriter, NodeFormsAndDeclarations) {
  ZKNavigationPath one("walk");
  one.appendPosition(threeStops()[0]);
  const std::string node = std::string("DEF walk ZKNavigationPath {\n\tchildren [\n") + kStop0;
  EXPECT_TRUE(sameText(written(zkofstream::kZkref, one), node + "\n\t\t]\n}\n"));
  EXPECT_TRUE(sameText(written(zkofstream::kRef, one),
                       std::string("DEF walk ZKNavigationPath {\n  children [\n") + kStop0 +
                           "\n  ]\n}\n"));
  // Words with no form of their own write the node form of kZkref.
  EXPECT_EQ(written(zkofstream::kGeometry, one), written(zkofstream::kZkref, one));
  EXPECT_EQ(written(zkofstream::kVrmlproto | zkofstream::kIndentFlag, one).rfind("DEF walk", 0),
            0u);

  EXPECT_EQ(written(zkofstream::kVrmlproto, one),
            "PROTO ZKNavigationPath [\n\texposedField\tMFNode\t\tchildren\t\t[]\n]{}\n");
  EXPECT_EQ(written(zkofstream::kVrmlexproto, one),
            "EXTERNPROTO ZKNavigationPath [\n\texposedField\tMFNode\t\tchildren\n"
            "] [ \"zkextensions.wrl#ZKNavigationPath\" ]\n");
  EXPECT_EQ(written(zkofstream::kExproto, one) + written(zkofstream::kProto, one), "");
}

TEST(NavigationPathWriter, InterpolatorsReturnToTheFirstPosition) {
  const std::string expected =
      "PositionInterpolator {\n\tkey [0, 0.25, 0.5, 1]\n"
      "\tkeyValue [1 2 3, 4 5 6, 0.5 0 -1, \n\t\t1 2 3]\n}\n\n"
      "OrientationInterpolator {\n\tkey [0, 0.25, 0.5, 1]\n"
      "\tkeyValue [0 0 1 0, 0 1 0 0.5, \n\t\t1 0 0 1, 0 0 1 0]\n}\n";
  EXPECT_TRUE(sameText(written(zkofstream::kVrmlref, threeStops()), expected));
  EXPECT_EQ(written(zkofstream::kMsvrmlref, threeStops()), expected);

  // Keys break their line after every sixth.
  ZKNavigationPath seven("long");
  for (int i = 0; i < 7; ++i) seven.appendPosition(threeStops()[0]);
  EXPECT_NE(written(zkofstream::kVrmlref, seven).find("\tkey [0, 0.125, 0.25, 0.375, 0.5, 0.625, \n\t\t0.75, 1]\n"),
            std::string::npos);

  // An empty path has no first position to close the cycle with: nothing.
  const ZKNavigationPath empty("empty");
  EXPECT_EQ(written(zkofstream::kVrmlref, empty) + written(zkofstream::kMsvrmlref, empty), "");
}

}  // namespace
