#include "core/recipe_io.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/json_fields.h"
#include "core/json_parse.h"
#include "core/json_writer.h"
#include "core/preset_event_io.h"
#include "core/preset_folders.h"
#include "core/read_file.h"
#include "core/text_field.h"
#include "platform/atomic_write.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace vn {
namespace {

constexpr char kRecipeFormat[] = "VarnelRecipe";
constexpr char kChainFormat[] = "VarnelChain";

void writeHeader(JsonWriter& w, const char* format, const std::string& name) {
  w.keyString("format", format);
  w.keyInt("formatVersion", kPresetFormatVersion);
  w.keyString("createdBy", programVersion());
  w.keyString("name", name);
}

// formatVersion, or the older "version" when it is absent; a newer one is noted.
int readVersion(const JsonValue& root, const char* kind, const std::string& path) {
  const int version = member(root, "formatVersion").isNumber() ? readInt(root, "formatVersion", 0)
                                                                 : readInt(root, "version", 0);
  if (version > kPresetFormatVersion)
    logLine("%s '%s' was saved by a newer version (format %d, this build supports %d). Loading what we can.\n", kind,
            path.c_str(), version, kPresetFormatVersion);
  return version;
}

bool writeDocument(const std::string& folder, const std::string& path, const std::string& text, std::string& error) {
  if (folder.empty()) {
    error = "No documents folder is known (HOME is not set).";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = "Could not create " + folder + ": " + ec.message() + ".";
    return false;
  }
  WriteResult written = writeFileAtomic(path, text);
  if (!written.ok) error = "Could not write " + path + ": " + written.error + ".";
  return written.ok;
}

// The parsed document, or null when the file is not one we read.
JsonValue readDocument(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxPresetFileBytes) return {};
  std::string bytes, error;
  if (!readWholeFile(path, bytes, error) || bytes.empty() || bytes.size() > kMaxPresetFileBytes) return {};
  return parseJsonText(bytes);
}

}  // namespace

std::string defaultRecipeName(const Event& e) {
  if (!e.presetName.empty()) return e.presetName;
  if (!e.keywords.empty()) return cutText(e.keywords, cap::kPresetName);
  return shapeName(e.shape);
}

Recipe recipeFromEvent(const Event& event, const std::string& name) {
  Recipe r;
  r.name = cutText(name, cap::kPresetName);
  r.event = event;
  r.event.time = 0.0f;
  return r;
}

Chain chainFromEvents(const std::string& groupName, const std::vector<Event>& events) {
  Chain c;
  c.name = groupName.empty() ? "group" : cutText(groupName, cap::kFolder);
  float earliest = 0.0f;
  if (!events.empty())
    earliest = std::min_element(events.begin(), events.end(), [](const Event& a, const Event& b) {
                 return a.time < b.time;
               })->time;
  for (const Event& e : events) c.events.push_back({e.time - earliest, e});
  return c;
}

std::string recipeDocumentText(const Recipe& r) {
  JsonWriter w;
  w.beginObject();
  writeHeader(w, kRecipeFormat, r.name);
  writePresetEventKeys(w, r.event, PresetEventKeys::Recipe);
  w.endObject();
  return w.take() + "\n";
}

std::string chainDocumentText(const Chain& c) {
  JsonWriter w;
  w.beginObject();
  writeHeader(w, kChainFormat, c.name);
  w.key("events");
  w.beginArray();
  for (const ChainEvent& ce : c.events) {
    w.beginObject();
    w.keyFloat("relTime", ce.relTime);
    writePresetEventKeys(w, ce.event, PresetEventKeys::Chain);
    w.endObject();
  }
  w.endArray();
  w.endObject();
  return w.take() + "\n";
}

void readRecipeDocument(const JsonValue& root, const std::string& path, Recipe& r) {
  r = Recipe{};
  r.formatVersion = readVersion(root, "Recipe", path);
  r.createdBy = readString(root, "createdBy");
  r.name = readText(root, "name", cap::kPresetName);
  readPresetEventKeys(root, r.event);
}

void readChainDocument(const JsonValue& root, const std::string& path, Chain& c) {
  c = Chain{};
  c.formatVersion = readVersion(root, "Chain", path);
  c.createdBy = readString(root, "createdBy");
  c.name = readText(root, "name", cap::kFolder);
  for (const JsonValue& item : member(root, "events").items()) {
    if (!item.isObject()) continue;
    ChainEvent& ce = c.events.emplace_back();
    ce.relTime = readFloat(item, "relTime", 0.0f);
    if (!std::isfinite(ce.relTime) || ce.relTime < 0.0f) ce.relTime = 0.0f;
    readPresetEventKeys(item, ce.event);
  }
}

bool saveRecipe(const Recipe& recipe, std::string& error) { return saveRecipe(recipe, recipesFolder(), error); }

bool saveRecipe(const Recipe& recipe, const std::string& folder, std::string& error) {
  if (recipe.name.empty()) {
    error = "A recipe needs a name.";
    return false;
  }
  return writeDocument(folder, recipeFilePath(folder, recipe.name), recipeDocumentText(recipe), error);
}

bool saveChain(const std::string& groupName, const std::vector<Event>& events, std::string& error) {
  return saveChain(groupName, events, chainsFolder(), error);
}

bool saveChain(const std::string& groupName, const std::vector<Event>& events, const std::string& folder,
               std::string& error) {
  if (events.empty()) {
    error = "The group '" + groupName + "' holds no events.";
    return false;
  }
  const Chain chain = chainFromEvents(groupName, events);
  return writeDocument(folder, chainFilePath(folder, chain.name), chainDocumentText(chain), error);
}

bool loadRecipe(const std::string& path, Recipe& recipe) {
  const JsonValue root = readDocument(path);
  if (!root.isObject()) return false;
  readRecipeDocument(root, path, recipe);
  if (recipe.name.empty()) recipe.name = cutText(presetNameFromStem(stemOf(path)), cap::kPresetName);
  return true;
}

bool loadChain(const std::string& path, Chain& chain) {
  const JsonValue root = readDocument(path);
  if (!root.isObject()) return false;
  readChainDocument(root, path, chain);
  if (chain.name.empty()) chain.name = cutText(presetNameFromStem(stemOf(path)), cap::kFolder);
  return true;
}

}  // namespace vn
