#pragma once
// Dispatch numbers of the property grid "KsControls.KsProperties". Its
// members carry no names: the grid registers them under these numbers and the
// path dialog, its views and scripted people call them by number.
#include "dispatch.h"

namespace ks::grid {

inline constexpr DispId kAddWholeNumberRow = 1;  // (caption, initial, lowest, highest, step)
inline constexpr DispId kAddListRow = 2;         // (caption, list of items, initial item)
inline constexpr DispId kBeginGroup = 3;         // (caption)
inline constexpr DispId kAddRealRow = 4;         // (caption, Integer 0, Long 2, Integer 0)
inline constexpr DispId kEndGroup = 5;           // ()
inline constexpr DispId kAddPictureRow = 6;      // (caption)
inline constexpr DispId kRedraw = 7;             // ()
inline constexpr DispId kEndEdit = 8;            // () when the grid loses the focus
inline constexpr DispId kFinishSetup = 9;        // ()
inline constexpr DispId kEnabled = 10;           // property, written: Boolean
inline constexpr DispId kRegistryKey = 11;       // property, written: String
inline constexpr DispId kSetRowValue = 20;       // (row, value): stores it, raises "Change"
inline constexpr DispId kRowCount = 21;          // () → Long
inline constexpr DispId kRowValue = 22;          // (row) → value
inline constexpr DispId kRowCaption = 23;        // (row) → String
inline constexpr DispId kChoosePicture = 24;     // (row): asks the person for a picture file
inline constexpr DispId kStepRow = 25;           // (row, count): adds count × step
inline constexpr DispId kEditRow = 26;           // (row, value): an edit that EndEdit commits

// The picture row's value when it holds no picture.
inline constexpr const char* kNoPicture = "(None)";
// The registry value under RegistryKey that remembers the picture folder.
inline constexpr const char* kPictureFolderValue = "PictureFolder";

// Item numbers of a "True"/"False" list row, in the order the path dialog
// adds the items: the grid reports the number of the picked item.
inline constexpr int16_t kItemTrue = 0;
inline constexpr int16_t kItemFalse = 1;

}  // namespace ks::grid
