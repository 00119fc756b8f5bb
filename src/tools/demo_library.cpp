#include "tools/demo_library.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/fnv.h"
#include "tools/sound_file_writer.h"

namespace vn::tools {
namespace {

constexpr int k16 = SF_FORMAT_PCM_16;
constexpr int k24 = SF_FORMAT_PCM_24;
constexpr int kFloat = SF_FORMAT_FLOAT;

struct Shape {
  DemoKind kind;
  double seconds;
  int rate;
  int channels;
  int subFormat;
  double colour;
};

class Catalogue {
 public:
  // count numbered files "<stem>_01".."<stem>_NN"; each gets its own seed and a
  // slightly different colour.
  void Numbered(const std::string& folder, const std::string& stem, int count, const Shape& shape,
                double pitchHz = 0.0) {
    for (int n = 1; n <= count; ++n) {
      Shape varied = shape;
      varied.colour = std::clamp(shape.colour + 0.08 * (n - 1), 0.0, 1.0);
      Add(folder, stem + (n < 10 ? "_0" : "_") + std::to_string(n), varied, pitchHz);
    }
  }

  // Pitched notes, one file each: "<stem>_<note>_01".
  void Notes(const std::string& folder, const std::string& stem, const Shape& shape,
             std::initializer_list<std::pair<const char*, double>> notes) {
    for (const auto& [note, hz] : notes) Add(folder, stem + "_" + note + "_01", shape, hz);
  }

  // One multi-mono set: a file per channel, "<stem>_L", "<stem>_R", ...
  void MultiMono(const std::string& folder, const std::string& stem, const Shape& shape,
                 std::initializer_list<const char*> suffixes) {
    Shape whole = shape;
    whole.channels = static_cast<int>(suffixes.size());
    int index = 0;
    for (const char* suffix : suffixes) {
      DemoSound& s = Add(folder, stem + "_" + suffix, whole, 0.0);
      s.voice.seed = SeedOf(stem);
      s.channelIndex = index++;
      s.channelMap = false;  // each member is a plain mono file
    }
  }

  DemoSound& Add(const std::string& folder, const std::string& name, const Shape& shape, double pitchHz) {
    DemoSound& s = sounds.emplace_back();
    s.folder = folder;
    s.name = name;
    s.extension = ".wav";
    s.subFormat = shape.subFormat;
    s.voice = {shape.kind, shape.seconds, shape.rate, shape.channels, pitchHz, shape.colour, SeedOf(name)};
    s.channelMap = shape.channels == 6;
    return s;
  }

  DemoSound& Last() { return sounds.back(); }

  std::vector<DemoSound> sounds;

 private:
  static uint64_t SeedOf(const std::string& name) { return fnvFeed(kFnvStart, name); }
};

std::vector<DemoSound> BuildCatalogue() {
  using K = DemoKind;
  Catalogue c;
  c.Numbered("Impacts", "DOORWood_Slam_Heavy", 3, {K::Impact, 1.2, 48000, 1, k24, 0.25});
  c.Last().description = "Heavy oak door slammed shut, close perspective";
  c.Numbered("Impacts", "DOORWood_Knock_Light", 2, {K::Impact, 0.4, 44100, 1, k16, 0.6});
  c.Numbered("Impacts", "WOODImpt_Plank_Hit", 3, {K::Impact, 0.6, 48000, 2, k24, 0.45});
  c.Numbered("Impacts", "ROCKImpt_Stone_Drop", 2, {K::Impact, 0.8, 96000, 1, k24, 0.7});
  c.Numbered("Impacts", "FEETHmn_Footsteps_Concrete", 2, {K::Footsteps, 3.0, 48000, 1, k16, 0.5});
  c.Numbered("Impacts", "EXPLReal_Explosion_Distant", 1, {K::Explosion, 2.5, 48000, 6, k16, 0.5});
  c.Last().description = "Distant explosion rolling over a valley, 5.1";
  c.Numbered("Impacts", "EXPLReal_Explosion_Close", 1, {K::Explosion, 2.5, 48000, 2, kFloat, 0.7});
  c.Add("Impacts", "WOODImpt_Branch_Snap_01", {K::Impact, 0.5, 44100, 1, k16, 0.8}, 0.0).extension = ".aif";

  c.Notes("Metal", "METLImpt_Pipe_Hit", {K::Metal, 1.5, 48000, 1, k24, 0.4},
          {{"A4", 440.0}, {"C5", 523.25}, {"D5", 587.33}});
  c.Notes("Metal", "METLTonl_Bowl_Ring", {K::Metal, 1.5, 96000, 2, kFloat, 0.8}, {{"Eb4", 311.13}});
  c.Notes("Metal", "METLTonl_Bowl_Ring", {K::Metal, 1.5, 96000, 1, kFloat, 0.8}, {{"Ab4", 415.30}});
  c.Notes("Metal", "BELLHand_Handbell", {K::TonalHit, 2.5, 48000, 1, kFloat, 0.7}, {{"A5", 880.0}, {"E5", 659.26}});
  c.Add("Metal", "METLImpt_Chain_Rattle_01", {K::Metal, 1.0, 48000, 1, k24, 0.2}, 180.0).extension = ".aif";

  c.Numbered("Glass", "GLASBrk_Bottle_Smash", 3, {K::Glass, 1.2, 96000, 1, k24, 0.5});
  c.Last().ixmlKeywords = "glass bottle smash shatter debris";
  c.Notes("Glass", "GLASTonl_WineGlass_Ring", {K::TonalHit, 3.0, 48000, 1, k24, 0.9},
          {{"C6", 1046.50}, {"G5", 783.99}});

  c.Notes("Musical", "MUSCPerc_Marimba", {K::TonalHit, 1.2, 44100, 1, k16, 0.3},
          {{"A3", 220.0}, {"C4", 261.63}, {"E4", 329.63}, {"G4", 392.0}, {"C5", 523.25}});
  for (DemoSound& s : c.sounds) {
    if (s.name.rfind("MUSCPerc", 0) == 0) s.title = "Marimba " + s.name.substr(17, 2);
  }
  c.Notes("Musical", "MUSCSynth_Pluck", {K::TonalHit, 0.8, 48000, 2, k24, 0.8},
          {{"A2", 110.0}, {"D3", 146.83}, {"F3", 174.61}});

  c.Numbered("Whooshes", "WHSH_Air_Pass_Fast", 3, {K::Whoosh, 0.9, 48000, 2, k24, 0.7});
  c.Numbered("Whooshes", "WHSH_Air_Pass_Slow", 3, {K::Whoosh, 2.4, 44100, 2, k16, 0.3});
  c.Numbered("Whooshes", "FIREWhsh_Flame_Swoosh", 2, {K::Whoosh, 1.6, 48000, 2, kFloat, 0.5});

  c.Numbered("Fire", "FIRECrkl_Campfire_Crackle", 2, {K::Fire, 3.5, 48000, 2, k24, 0.6});
  c.Last().description = "Campfire, dry logs crackling, night";
  c.Last().ixmlKeywords = "campfire crackle logs night outdoor";
  c.Numbered("Fire", "FIREBurn_Torch_Steady", 1, {K::Fire, 4.0, 44100, 1, k16, 0.3});

  c.Numbered("Water", "WATRBubl_Pot_Bubbles", 3, {K::Water, 3.0, 48000, 1, k24, 0.4});
  c.Numbered("Water", "WATRFlow_Stream_Gentle", 2, {K::Water, 4.0, 44100, 2, k16, 0.9});
  c.Numbered("Water", "WATRDrip_Faucet_Drip", 2, {K::Water, 2.0, 48000, 1, k16, 0.03});
  c.Add("Water", "WATRSplsh_Splash_Small_01", {K::Water, 1.0, 48000, 1, k24, 0.7}, 0.0).extension = ".caf";

  c.Numbered("Ambiences", "AMBForst_Forest_Birds_Morning", 1, {K::Ambience, 32.0, 44100, 1, k16, 0.45});
  c.Last().title = "Forest morning";
  c.Numbered("Ambiences", "AMBForst_Forest_Birds_Evening", 1, {K::Ambience, 3.0, 48000, 6, k16, 0.35});
  c.Numbered("Ambiences", "AMBUrbn_City_Traffic_Distant", 2, {K::Ambience, 5.0, 44100, 2, k16, 0.8});
  c.Numbered("Ambiences", "AMBRoom_Office_Tone", 1, {K::Ambience, 4.0, 48000, 1, k24, 0.1});
  c.Numbered("Ambiences", "WINDGust_Wind_Gusty", 2, {K::Wind, 4.0, 44100, 2, k16, 0.5});
  c.Numbered("Ambiences", "RAIN_Rain_Light", 1, {K::Texture, 4.0, 48000, 2, k16, 0.95});

  c.MultiMono("Multimono", "AMBRoom_Hall_Tone", {K::Ambience, 4.0, 48000, 3, k24, 0.15}, {"L", "R", "C"});
  c.MultiMono("Multimono", "EXPLReal_Debris_Fall", {K::Explosion, 2.0, 96000, 2, k24, 0.5}, {"L", "R"});
  c.MultiMono("Multimono", "AMBUrbn_Street_Night", {K::Ambience, 3.0, 44100, 6, k16, 0.7},
              {"L", "R", "C", "LFE", "Ls", "Rs"});

  c.Notes("Textures", "DSGNDron_Drone_Dark", {K::Drone, 4.0, 48000, 2, kFloat, 0.2}, {{"A1", 55.0}});
  c.Notes("Textures", "DSGNDron_Drone_Dark", {K::Drone, 4.0, 48000, 1, kFloat, 0.2}, {{"C2", 65.41}});
  c.Notes("Textures", "DSGNDron_Drone_Bright", {K::Drone, 4.0, 44100, 1, k24, 0.8}, {{"A2", 110.0}});
  c.Numbered("Textures", "DSGNGran_Grain_Cloud", 2, {K::Texture, 3.0, 48000, 2, k24, 0.5});
  c.Notes("Textures", "SCIEnrg_Energy_Hum", {K::Drone, 4.0, 48000, 1, k24, 0.5}, {{"G2", 98.0}});

  c.Numbered("Electric", "ELECZap_Spark_Zap", 3, {K::Zap, 0.6, 48000, 1, k24, 0.5});
  c.Numbered("Electric", "ELECBuzz_Mains_Buzz", 1, {K::Zap, 3.0, 44100, 1, k16, 0.5});

  c.Notes("Vehicles", "VEHHorn_Car_Horn", {K::Drone, 1.5, 48000, 1, k24, 0.9}, {{"Ab4", 415.30}});

  c.Numbered("Interface", "UIClick_Button_Click", 4, {K::Click, 0.15, 48000, 1, k16, 0.4});
  c.Numbered("Interface", "MECHClik_Switch_Click", 3, {K::Click, 0.2, 96000, 1, k24, 0.2});
  return std::move(c.sounds);
}

int ContainerOf(const DemoSound& sound) {
  if (sound.extension == ".aif") return SF_FORMAT_AIFF;
  if (sound.extension == ".caf") return SF_FORMAT_CAF;
  return sound.channelMap ? SF_FORMAT_WAVEX : SF_FORMAT_WAV;
}

std::string IxmlFor(const DemoSound& sound) {
  const std::string catId = sound.name.substr(0, sound.name.find('_'));
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML><IXML_VERSION>1.61</IXML_VERSION><USER><Keywords>" +
         sound.ixmlKeywords + "</Keywords><CatID>" + catId + "</CatID></USER></BWFXML>\n";
}

SoundFileSpec SpecFor(const DemoSound& sound) {
  SoundFileSpec fileSpec;
  fileSpec.format = ContainerOf(sound) | sound.subFormat;
  fileSpec.sampleRate = sound.voice.sampleRate;
  if (sound.channelMap) {
    fileSpec.channelMap = {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT,     SF_CHANNEL_MAP_CENTER,
                       SF_CHANNEL_MAP_LFE,  SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
  }
  fileSpec.bextDescription = sound.description;
  if (!sound.ixmlKeywords.empty()) fileSpec.ixml = IxmlFor(sound);
  if (!sound.title.empty()) {
    fileSpec.title = sound.title;
    fileSpec.artist = "Varnel demo";
    fileSpec.genre = "Sound effects";
  }
  return fileSpec;
}

bool WriteVoice(const std::string& folder, const DemoSound& sound, const std::vector<std::vector<float>>& voice,
                std::string& error) {
  std::error_code ec;
  const std::string path = folder + "/" + DemoSoundPath(sound);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  if (ec) {
    error = "cannot create the folder for " + path + ": " + ec.message();
    return false;
  }
  std::vector<std::vector<float>> channels = voice;
  if (sound.channelIndex >= 0) channels = {voice.at(static_cast<size_t>(sound.channelIndex))};
  if (!WriteSoundFile(path, SpecFor(sound), channels, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace

const std::vector<DemoSound>& DemoLibrarySounds() {
  static const std::vector<DemoSound> sounds = BuildCatalogue();
  return sounds;
}

std::string DemoSoundPath(const DemoSound& sound) { return sound.folder + "/" + sound.name + sound.extension; }

bool WriteDemoSound(const std::string& folder, const DemoSound& sound, std::string& error) {
  return WriteVoice(folder, sound, SynthesiseVoice(sound.voice), error);
}

DemoLibraryResult WriteDemoLibrary(const std::string& folder, const volatile int* cancel) {
  DemoLibraryResult result;
  const DemoSound* previous = nullptr;
  std::vector<std::vector<float>> voice;
  for (const DemoSound& sound : DemoLibrarySounds()) {
    if (cancel && *cancel) {
      result.error = "cancelled";
      return result;
    }
    // The members of a multi-mono set share one synthesised voice.
    const bool sameVoice =
        previous && previous->channelIndex >= 0 && sound.channelIndex > 0 && previous->voice.seed == sound.voice.seed;
    if (!sameVoice) voice = SynthesiseVoice(sound.voice);
    previous = &sound;
    if (!WriteVoice(folder, sound, voice, result.error)) return result;
    const std::string path = folder + "/" + DemoSoundPath(sound);
    std::error_code ec;
    result.bytes += std::filesystem::file_size(path, ec);
    result.files.push_back(path);
  }
  result.ok = true;
  return result;
}

}  // namespace vn::tools
