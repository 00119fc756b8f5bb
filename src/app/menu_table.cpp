#include "app/menu_table.h"

namespace vn {
namespace {

MenuEntry item(const char* label, CommandId command) { return {MenuEntryKind::Item, label, command}; }
MenuEntry separator() { return {MenuEntryKind::Separator, "", CommandId::New}; }
MenuEntry submenu(MenuEntryKind kind, const char* label) { return {kind, label, CommandId::New}; }

std::vector<Menu> buildTable() {
  using C = CommandId;
  return {
      {"&File",
       {item("&New\tCtrl+N", C::New), item("&Open…\tCtrl+O", C::Open),
        submenu(MenuEntryKind::RecentProjects, "Open &Recent"),
        item("Project &Launcher…\tCtrl+Shift+1", C::ProjectLauncher), separator(),
        item("Import &Video…", C::ImportVideo), item("Import &Markers…", C::ImportMarkers), separator(),
        item("&Save\tCtrl+S", C::Save), item("Save &As…\tCtrl+Shift+S", C::SaveAs), separator(),
        item("&Export…\tCtrl+Shift+E", C::Export), separator(), item("&Close\tCtrl+W", C::Close), separator(),
        item("Se&ttings…\tCtrl+,", C::Settings), separator(), item("E&xit\tAlt+F4", C::Exit)}},
      {"&Edit",
       {item("&Undo\tCtrl+Z", C::Undo), item("&Redo\tCtrl+Shift+Z", C::Redo), separator(),
        item("Cu&t\tCtrl+X", C::Cut), item("&Copy\tCtrl+C", C::Copy), item("&Paste\tCtrl+V", C::Paste),
        item("&Delete\tDel", C::Delete), separator(), item("Select &All\tCtrl+A", C::SelectAll), separator(),
        item("&Group\tCtrl+G", C::Group), item("U&ngroup\tCtrl+Shift+G", C::Ungroup),
        item("&Lock / Unlock\tCtrl+L", C::LockToggle)}},
      {"&Composition",
       {item("&Render", C::Render), separator(), item("Create &Spot", C::CreateSpot),
        item("Create &Bloom", C::CreateBloom), item("Create &Contour", C::CreateContour),
        item("Create &Fill", C::CreateFill), separator(), item("Place C&lip…", C::PlaceClip),
        item("Place B&ed", C::PlaceBed), submenu(MenuEntryKind::Recipes, "Place Recipe"),
        submenu(MenuEntryKind::Chains, "Place Chain"), separator(), item("Set &In Point", C::SetInPoint),
        item("Set &Out Point", C::SetOutPoint), item("Clear &Work Area", C::ClearWorkArea),
        item("Save Scene\tCtrl+B", C::SaveScene), separator(), item("&Draw Mode", C::DrawMode),
        item("&Mute / Unmute", C::MuteToggle), item("Bou&nce Selection to Clip", C::BounceSelection)}},
      {"&View",
       {item("Zoom &In\tCtrl+=", C::ZoomIn), item("Zoom &Out\tCtrl+-", C::ZoomOut),
        item("Zoom to &Fit\tCtrl+0", C::ZoomFit), separator(), item("&Events", C::ShowEvents),
        item("&Project", C::ShowProject), item("&Trace", C::ShowTrace), item("&Mixer", C::ShowMixer),
        item("&Delivery", C::ShowDelivery), item("&Library", C::ShowLibrary), item("E&xport", C::ShowExport),
        item("&Settings", C::ShowSettings), item("Pro&venance\tCtrl+Shift+P", C::ShowProvenance)}},
      {"&Help", {item("&User Guide\tF1", C::UserGuide), separator(), item("&About Varnel", C::About)}},
  };
}

}  // namespace

const std::vector<Menu>& menuBarTable() {
  static const std::vector<Menu> table = buildTable();
  return table;
}

MenuLabel splitMenuLabel(const char* label) {
  MenuLabel out;
  std::string* target = &out.text;
  for (const char* p = label; *p; ++p) {
    if (*p == '\t' && target == &out.text) {
      target = &out.shortcut;
    } else if (*p == '&' && target == &out.text) {
      if (p[1] == '&') target->push_back(*++p);
    } else {
      target->push_back(*p);
    }
  }
  return out;
}

}  // namespace vn
