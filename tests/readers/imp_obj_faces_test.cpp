// Faces of plain vertex numbers are read by a fast path; the same face with a
// texture index behind every corner ("12/9") goes through the general corner
// parser. Both must give the host the same polygons, or the same error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/collection.h"
#include "host/com_error.h"
#include "reader_test_support.h"
#include "readers/imp_obj.h"

namespace ks::readers {
namespace {

class ObjFaceFormsTest : public testing::ReaderTest {
 protected:
  // The Add_Poligons call the import logged, or the error it raised.
  std::string Outcome(const std::string& faceLine) {
    const std::string text =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 2 0\nv 3 3 0\n" + faceLine + "\n";
    log_->Clear();
    try {
      auto list = std::make_shared<Collection>();
      CImp_OBJ reader(state_);
      reader.Load(WriteFile("faces.obj", text), list);
    } catch (const ComError& e) {
      return "error " + std::to_string(e.number()) + ": " + e.description();
    }
    for (const LoggedCall& call : log_->Calls())
      if (call.member == "Add_Poligons") return call.ToString().substr(call.object.size());
    return "no polygons";
  }

  // "f 1 2 3" -> "f 1/9 2/9 3/9": same vertices, the general parser.
  static std::string WithTextureIndices(const std::string& line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
      out += line[i];
      const bool digit = line[i] >= '0' && line[i] <= '9';
      const bool ends = i + 1 == line.size() || line[i + 1] == ' ';
      if (digit && ends) out += "/9";
    }
    return out;
  }
};

TEST_F(ObjFaceFormsTest, PlainFacesMatchTheGeneralParser) {
  const std::vector<std::string> faces = {
      "f 1 2 3",          "f 1 2 3 4",     "f  1   2 3  ",     "f 1 2 3 4 5 6", "f 1 2",
      "f 3 0 1",          "f 1 2 3 0 5",   "f -1 -2 -3",       "f 0001 2 3",    "f 1 2 999999999",
      "f 1 2 1234567890", "f 4 3 2 1 6 5", "f 1 2 3 4 5 6 1 2"};
  for (const std::string& face : faces) {
    const std::string general = WithTextureIndices(face);
    ASSERT_NE(general, face);
    EXPECT_EQ(Outcome(face), Outcome(general)) << face;
  }
  EXPECT_EQ(Outcome("f 1 2 3 4"), ".Add_Poligons(Long(6)[0,1,2,2,3,0],Integer(3))");
}

}  // namespace
}  // namespace ks::readers
