#pragma once
// Resource and command ids. Widgets carry their id's name as their object name, so tests and
// accessibility tools find them by it.

namespace gauzel::res {

inline constexpr int IDR_MAINFRAME = 2;
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_GAUZEL_FORM = 101;
inline constexpr int IDD_OPTIONS = 102;
inline constexpr int IDR_CONTEXT = 104;
inline constexpr int IDD_SUMMING = 110;

inline constexpr int IDC_LEGEND = 1002;
inline constexpr int IDC_DRIVES = 1003;
inline constexpr int IDC_GO_TO_ROOT = 1008;
inline constexpr int IDC_GO_UP = 1009;
inline constexpr int IDC_BYTES = 1010;
inline constexpr int IDC_KILOBYTES = 1011;
inline constexpr int IDC_MEGABYTES = 1012;
inline constexpr int IDC_STATUS = 1029;

inline constexpr int ID_OPTIONS_SETTINGS = 32771;
inline constexpr int ID_RESCAN_FROM_ROOT = 32772;
inline constexpr int ID_RESCAN_THIS_TREE = 32773;
inline constexpr int ID_GOTO_ROOT = 32774;
inline constexpr int ID_GOTO_UP = 32775;

inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP_FINDER = 57667;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;

}  // namespace gauzel::res
