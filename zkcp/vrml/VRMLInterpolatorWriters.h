#ifndef ZKCP_VRML_VRMLINTERPOLATORWRITERS_H
#define ZKCP_VRML_VRMLINTERPOLATORWRITERS_H

class SoVRMLOrientationInterpolator;
class SoVRMLPositionInterpolator;
class zkofstream;

// VRML 2.0 text of the interpolators, with the body one tab stop deeper
// than the header when the stream indents. Keys go seven to a row (a last
// key left alone joins the row before it), key values one to a row; the
// numbers are unpadded. Every line ends with the stream's endl.
zkofstream& operator<<(zkofstream& os, const SoVRMLPositionInterpolator& interpolator);
zkofstream& operator<<(zkofstream& os, const SoVRMLOrientationInterpolator& interpolator);

#endif
