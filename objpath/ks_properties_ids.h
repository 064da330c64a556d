#pragma once
// Dispatch numbers of the property-grid control "KsControls.KsProperties".
// Its members carry no names; the dialog reaches them by number only.
#include "host/dispatch.h"

namespace ks::objpath::grid {

inline constexpr DispId kAddWholeNumberRow = 1;  // (caption, initial, lowest, highest, step)
inline constexpr DispId kAddListRow = 2;         // (caption, list of items, initial item)
inline constexpr DispId kBeginGroup = 3;         // (caption)
inline constexpr DispId kAddRealRow = 4;         // (caption, Integer 0, Long 2, Integer 0)
inline constexpr DispId kEndGroup = 5;           // ()
inline constexpr DispId kAddPictureRow = 6;      // (caption)
inline constexpr DispId kRedraw = 7;             // ()
inline constexpr DispId kEndEditing = 8;         // () when the grid loses the focus
inline constexpr DispId kFinishSetUp = 9;        // ()
inline constexpr DispId kEnabled = 10;           // property, written: Boolean
inline constexpr DispId kRegistryKey = 11;       // property, written: String
inline constexpr DispId kSetRowValue = 20;       // (row, value): stores it, raises "Change"
inline constexpr DispId kRowCount = 21;          // () → Long
inline constexpr DispId kRowValue = 22;          // (row) → value
inline constexpr DispId kRowCaption = 23;        // (row) → String
inline constexpr DispId kChoosePicture = 24;     // (row): asks the person for a picture file

// The picture row's value when it holds no picture.
inline constexpr const char* kNoPicture = "(None)";

// Items of the list row, numbered from 0: the grid reports the item number.
inline constexpr int16_t kItemTrue = 0;
inline constexpr int16_t kItemFalse = 1;

}  // namespace ks::objpath::grid
