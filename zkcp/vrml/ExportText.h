#ifndef ZKCP_VRML_EXPORTTEXT_H
#define ZKCP_VRML_EXPORTTEXT_H

#include <ostream>
#include <string_view>

// Small pieces of text shared by the object writers of the export.
namespace zkcp_export {

// `text` left-justified in a field of `width` characters; nothing is cut.
// The left-justification flag stays set on the stream.
inline std::ostream& pad(std::ostream& os, std::string_view text, int width) {
  os.setf(std::ios::left, std::ios::adjustfield);
  os.width(width);
  return os << text;
}

inline std::ostream& pad15(std::ostream& os, std::string_view text) { return pad(os, text, 15); }
inline std::ostream& pad10(std::ostream& os, std::string_view text) { return pad(os, text, 10); }

// A newline and a flush, without indentation.
inline std::ostream& newline(std::ostream& os) {
  os << '\n';
  return os.flush();
}

}  // namespace zkcp_export

#endif
