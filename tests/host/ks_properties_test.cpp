#include "host/ks_properties.h"

#include <gtest/gtest.h>

#include "host/collection.h"
#include "host/host_classes.h"
#include "host/runtime.h"

namespace {

using ks::Variant;
namespace grid = ks::grid;

struct Change {
  int32_t row;
  Variant value;
  bool operator==(const Change&) const = default;
};

// Answers the open-file dialog from a queue and remembers what it was asked.
class FilePicker : public ks::HeadlessPerson {
 public:
  std::vector<std::optional<std::string>> answers;
  std::vector<ks::OpenFileRequest> asked;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest& r) override {
    asked.push_back(r);
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
};

class GridTest : public ::testing::Test {
 protected:
  std::filesystem::path file_ = std::filesystem::temp_directory_path() /
                                ("ks-grid-test-" + std::to_string(::getpid()) + ".ini");
  void SetUp() override {
    std::filesystem::remove(file_);
    rt_ = std::make_unique<ks::Runtime>(file_);
    ks::RegisterHostClasses(*rt_);
    rt_->SetPerson(person_);
    grid_ = rt_->CreateObject("KsControls.KsProperties");
    grid_->Advise([this](std::string_view event, std::span<Variant> args) {
      ASSERT_EQ(event, "Change");
      ASSERT_EQ(args.size(), 3u);
      EXPECT_TRUE(args[0].IsEmpty());
      EXPECT_EQ(args[1].type(), ks::VarType::Long);
      changes_.push_back({args[1].ToLong(), args[2]});
    });
  }
  void TearDown() override { std::filesystem::remove(file_); }

  Variant Id(ks::DispId id, std::vector<Variant> args = {},
             ks::CallKind kind = ks::CallKind::Method) {
    return ks::CallId(grid_, id, args, kind);
  }
  // The rotation grid exactly as the path dialog fills it.
  void FillRotationGrid() {
    Id(grid::kAddWholeNumberRow, {Variant("Section"), Variant(int16_t{8}), Variant(int16_t{1}),
                                  Variant(int16_t{200}), Variant(int16_t{1})});
    Id(grid::kAddWholeNumberRow, {Variant("Y Rotation"), Variant(int16_t{360}), Variant(int16_t{1}),
                                  Variant(int16_t{3660}), Variant(int16_t{10})});
    auto items = std::make_shared<ks::Collection>();
    items->Add(Variant("True"));
    items->Add(Variant("False"));
    Id(grid::kAddListRow, {Variant("Close Last polygons"), Variant(items), Variant(int16_t{0})});
    Id(grid::kBeginGroup, {Variant("Translation")});
    for (const char* axis : {"X", "Y", "Z"})
      Id(grid::kAddRealRow,
         {Variant(axis), Variant(int16_t{0}), Variant(int32_t{2}), Variant(int16_t{0})});
    Id(grid::kEndGroup);
    Id(grid::kRedraw);
    Id(grid::kFinishSetup);
  }
  ks::KsProperties& Grid() { return static_cast<ks::KsProperties&>(*grid_); }

  std::shared_ptr<FilePicker> person_ = std::make_shared<FilePicker>();
  std::unique_ptr<ks::Runtime> rt_;
  ks::ObjectRef grid_;
  std::vector<Change> changes_;
};

TEST_F(GridTest, RowsAreNumberedFromZeroWithoutGroupHeadings) {
  FillRotationGrid();
  EXPECT_EQ(Id(grid::kRowCount, {}, ks::CallKind::PropertyGet), Variant(int32_t{6}));
  const char* captions[] = {"Section", "Y Rotation", "Close Last polygons", "X", "Y", "Z"};
  for (int32_t row = 0; row < 6; ++row)
    EXPECT_EQ(Id(grid::kRowCaption, {Variant(row)}, ks::CallKind::PropertyGet).ToString(),
              captions[row]);
  EXPECT_EQ(Id(grid::kRowValue, {Variant(int32_t{1})}, ks::CallKind::PropertyGet),
            Variant(int32_t{360}));
  EXPECT_EQ(Id(grid::kRowValue, {Variant(int32_t{2})}, ks::CallKind::PropertyGet),
            Variant(int16_t{0}));
  EXPECT_EQ(Grid().Rows()[4].group, "Translation");
  EXPECT_EQ(Grid().Rows()[2].group, "");
  EXPECT_EQ(Grid().Groups(), (std::vector<std::pair<std::string, int32_t>>{{"Translation", 3}}));
  EXPECT_EQ(Grid().DisplayText(2), "True");
  EXPECT_EQ(Grid().DisplayText(3), "0.00");
  EXPECT_TRUE(Grid().SetupFinished());
  EXPECT_THROW(Id(grid::kRowValue, {Variant(int32_t{6})}, ks::CallKind::PropertyGet), ks::ComError);
  // Members also answer to their names.
  EXPECT_EQ(ks::Get(grid_, "RowCount").ToLong(), 6);
}

TEST_F(GridTest, EditsAreConvertedClampedAndRaiseChange) {
  FillRotationGrid();
  auto set = [&](int32_t row, Variant v) {
    return Id(grid::kSetRowValue, {Variant(row), std::move(v)});
  };
  EXPECT_EQ(set(0, Variant(int32_t{500})), Variant(true));  // above 200: clamped
  set(0, Variant("12.5"));                                  // text, halves to even
  set(1, Variant(int16_t{0}));                              // below 1: clamped
  set(2, Variant(int16_t{1}));
  set(2, Variant("true"));  // an item's text picks it
  set(4, Variant(1.005));   // two decimals
  set(5, Variant("-3,5e1"));
  EXPECT_EQ(changes_, (std::vector<Change>{{0, Variant(int32_t{200})},
                                           {0, Variant(int32_t{12})},
                                           {1, Variant(int32_t{1})},
                                           {2, Variant(int16_t{1})},
                                           {2, Variant(int16_t{0})},
                                           {4, Variant(1.0)},
                                           {5, Variant(-35.0)}}));
  changes_.clear();
  // Values that do not fit the row are errors that change nothing.
  EXPECT_THROW(set(0, Variant("ten")), ks::ComError);
  EXPECT_THROW(set(2, Variant(int16_t{2})), ks::ComError);
  EXPECT_THROW(set(7, Variant(int16_t{2})), ks::ComError);
  EXPECT_TRUE(changes_.empty());
  EXPECT_EQ(Grid().Rows()[0].value, Variant(int32_t{12}));

  // Spin steps use the row's step and stay within the range.
  Id(grid::kStepRow, {Variant(int32_t{1}), Variant(int32_t{3})});
  EXPECT_EQ(Grid().Rows()[1].value, Variant(int32_t{31}));

  // A disabled grid refuses edits: no change, no event.
  changes_.clear();
  Id(grid::kEnabled, {Variant(false)}, ks::CallKind::PropertyPut);
  EXPECT_EQ(Id(grid::kEnabled, {}, ks::CallKind::PropertyGet), Variant(false));
  EXPECT_EQ(set(0, Variant(int32_t{5})), Variant(false));
  EXPECT_EQ(Grid().Rows()[0].value, Variant(int32_t{12}));
  EXPECT_TRUE(changes_.empty());
}

TEST_F(GridTest, PendingEditIsCommittedByEndEdit) {
  FillRotationGrid();
  Id(grid::kEditRow, {Variant(int32_t{0}), Variant("42")});
  EXPECT_TRUE(changes_.empty());
  Id(grid::kEndEdit);
  Id(grid::kEndEdit);  // nothing pending any more
  EXPECT_EQ(changes_, (std::vector<Change>{{0, Variant(int32_t{42})}}));
}

TEST_F(GridTest, ChoosePictureRemembersTheFolderInTheRegistry) {
  Id(grid::kRegistryKey, {Variant("SOFTWARE\\Ardeno\\KsObjPath")}, ks::CallKind::PropertyPut);
  Id(grid::kAddPictureRow, {Variant("Picture")});
  EXPECT_EQ(Grid().Rows()[0].value, Variant("(None)"));
  person_->answers = {"/pics/a b/tree.png", std::nullopt};
  EXPECT_EQ(Id(grid::kChoosePicture, {Variant(int32_t{0})}), Variant(true));
  EXPECT_EQ(changes_, (std::vector<Change>{{0, Variant("/pics/a b/tree.png")}}));
  // The next choice starts in that folder, and a cancel changes nothing.
  EXPECT_EQ(Id(grid::kChoosePicture, {Variant(int32_t{0})}), Variant(false));
  ASSERT_EQ(person_->asked.size(), 2u);
  EXPECT_EQ(person_->asked[0].initialDir, "");
  EXPECT_EQ(person_->asked[1].initialDir, "/pics/a b/");
  EXPECT_NE(person_->asked[1].filter.find("*.png"), std::string::npos);
  EXPECT_EQ(changes_.size(), 1u);
  auto stored =
      rt_->Registry().Read(ks::kHkeyLocalMachine, "SOFTWARE\\Ardeno\\KsObjPath", "PictureFolder");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->ToString(), "/pics/a b/");
  // Clearing the row: an empty name is "(None)".
  Id(grid::kSetRowValue, {Variant(int32_t{0}), Variant("")});
  EXPECT_EQ(changes_.back(), (Change{0, Variant("(None)")}));
}

TEST_F(GridTest, BadSetUpCallsAreErrors) {
  EXPECT_THROW(Id(grid::kAddWholeNumberRow, {Variant("R"), Variant(int16_t{1}), Variant(int16_t{5}),
                                             Variant(int16_t{1}), Variant(int16_t{1})}),
               ks::ComError);
  EXPECT_THROW(Id(grid::kAddListRow, {Variant("L"), Variant("not a list"), Variant(int16_t{0})}),
               ks::ComError);
  auto one = std::make_shared<ks::Collection>();
  one->Add(Variant("only"));
  EXPECT_THROW(Id(grid::kAddListRow, {Variant("L"), Variant(one), Variant(int16_t{1})}),
               ks::ComError);
  EXPECT_EQ(Grid().Rows().size(), 0u);
}

}  // namespace
