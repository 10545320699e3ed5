#pragma once

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace wormpair {

class AnalysisCommands;
class DesignFileCommands;
class DrawingCommands;
class DocumentCommands;
class LifecycleCommands;
class ModelCommands;
class ParameterSheetCommands;
class SeriesCommands;
class SettingsCommands;

// The command families the window owns; each row's handler runs on them.
struct CommandFamilies {
    LifecycleCommands& lifecycle;
    DesignFileCommands& designFiles;
    ParameterSheetCommands& sheets;
    DocumentCommands& documents;
    SettingsCommands& settings;
    DrawingCommands& drawings;
    SeriesCommands& series;
    ModelCommands& models;
    AnalysisCommands& analysis;
};

using CommandHandler = void (*)(CommandFamilies&);

// One menu item or toolbar button of the main window.
struct CommandRow {
    std::string_view control;  // object name: a menu item (QAction) or a toolbar button
    std::string_view caption;  // a menu item's caption; empty for buttons
    std::string_view tooltip;  // a button's tooltip; empty for menu items
    int picture;               // index into kToolbarPictures; -1 for menu items
    bool enabledAtStart;
    bool resultCommand;         // disabled while there are no calculated results
    std::string_view shortcut;  // a key sequence as QKeySequence reads it; empty: none
    CommandHandler handler;     // nullptr: the item does nothing

    bool isMenuItem() const { return picture < 0; }
};

// The toolbar's pictures by index.
inline constexpr std::array<std::string_view, 12> kToolbarPictures = {
    ":/icons/new.png",          ":/icons/save.png",     ":/icons/worm.png",
    ":/icons/wheel.png",        ":/icons/hob.png",      ":/icons/techdata.png",
    ":/icons/recommend.png",    ":/icons/accuracy.png", ":/icons/compass.png",
    ":/icons/modification.png", ":/icons/close.png",    ":/icons/open.png"};

// Every menu item in menu order, then every toolbar button left to right.
std::span<const CommandRow> commandTable();

// The commands that follow Calculate.
std::vector<std::string_view> resultCommands();

}  // namespace wormpair
