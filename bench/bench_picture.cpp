// Reading the picture of a 10-minute 1280 x 720 video, against a plain FFmpeg
// decode of the same file in the same run, and the frame measures alone.
//
// The clip is generated once into a temporary folder (MPEG-4 Visual, 24 fps):
// a textured still with a square sliding across it and a flash every five seconds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "picture/frame_extract.h"
#include "picture/trace_analyzer.h"
#include "picture/video_player.h"
#include "platform/log.h"
#include "tools/test_video.h"
#include "tools/test_video_scenes.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720, kFps = 24;
constexpr double kSeconds = 600.0;

double gPlainDecodeSeconds = 0.0;
double gPlainDecodeCpu = 0.0;

// Processor time of the whole process (every decoder thread included): on a shared,
// busy machine it compares more fairly than the wall clock.
double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct BenchClip {
  std::string folder;
  std::string path;
  BenchClip() {
    folder = (std::filesystem::temp_directory_path() / ("varnel-bench-picture-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    path = folder + "/ten_minutes.mp4";
    const vn::tools::FramePainter flashes = vn::tools::MetronomeFlashes(kFps, 5 * kFps, 1000, 3);
    vn::tools::TestVideoSpec clipSpec;
    clipSpec.width = kWidth;
    clipSpec.height = kHeight;
    clipSpec.fps = kFps;
    clipSpec.seconds = kSeconds;
    clipSpec.codec = vn::tools::TestVideoCodec::Mpeg4;
    clipSpec.mpeg4Quality = 6;
    clipSpec.paint = [flashes](int index, uint8_t* rgba, int width, int height) {
      flashes(index, rgba, width, height);
      // A 96-pixel square crossing the picture every 10 s keeps the decoder busy.
      const int left = (index * 5) % (width - 96), top = height / 3;
      for (int y = top; y < top + 96; ++y) std::memset(rgba + (static_cast<size_t>(y) * width + left) * 4, 230, 96 * 4);
    };
    std::fprintf(stderr, "Generating a %.0f-minute %dx%d clip in %s ...\n", kSeconds / 60, kWidth, kHeight, folder.c_str());
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    if (!vn::tools::WriteTestVideo(path, clipSpec, error)) std::fprintf(stderr, "cannot make the clip: %s\n", error.c_str());
    std::fprintf(stderr, "... done in %.1f s\n",
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  ~BenchClip() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

const BenchClip& clip() {
  static BenchClip c;
  return c;
}

// Every frame decoded, nothing converted: what any reader of the file must pay.
int plainDecode(const std::string& path) {
  AVFormatContext* container = nullptr;
  if (avformat_open_input(&container, path.c_str(), nullptr, nullptr) < 0) return 0;
  avformat_find_stream_info(container, nullptr);
  const AVCodec* codec = nullptr;
  const int stream = av_find_best_stream(container, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(decoder, container->streams[stream]->codecpar);
  decoder->thread_count = 0;  // as the player's decoder
  avcodec_open2(decoder, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int frames = 0;
  auto drain = [&] {
    while (avcodec_receive_frame(decoder, frame) == 0) ++frames;
  };
  while (av_read_frame(container, packet) >= 0) {
    if (packet->stream_index == stream && avcodec_send_packet(decoder, packet) >= 0) drain();
    av_packet_unref(packet);
  }
  avcodec_send_packet(decoder, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&container);
  return frames;
}

void BM_PlainFfmpegDecode(benchmark::State& state) {
  const std::string& path = clip().path;
  int frames = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    frames = plainDecode(path);
    gPlainDecodeCpu = processCpuSeconds() - cpuStart;
    gPlainDecodeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["frames"] = frames;
  state.counters["frames_per_s"] = frames / gPlainDecodeSeconds;
  state.counters["cpu_s"] = gPlainDecodeCpu;
}
BENCHMARK(BM_PlainFfmpegDecode)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The whole read: open, extract 6000 analysis frames at 160 pixels wide, measure
// them, derive the columns and detect the events.
void BM_ReadPicture(benchmark::State& state) {
  const std::string& path = clip().path;
  vn::setLogSink([](vn::LogStream, const std::string&) {});
  double seconds = 0.0, cpu = 0.0;
  size_t events = 0;
  int frames = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    vn::VideoPlayer player;
    vn::LoadVideo(player, path);
    vn::TraceAnalyzer analyzer;
    vn::ResetTrace(analyzer, player.duration);
    vn::RunTrace(analyzer, player, vn::TraceRun{});
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = processCpuSeconds() - cpuStart;
    events = analyzer.events.size();
    frames = analyzer.numFrames;
  }
  vn::setLogSink({});
  state.counters["analysis_frames"] = frames;
  state.counters["events"] = static_cast<double>(events);
  state.counters["cpu_s"] = cpu;
  if (gPlainDecodeSeconds > 0.0) state.counters["x_plain_decode"] = seconds / gPlainDecodeSeconds;
  if (gPlainDecodeCpu > 0.0) state.counters["x_plain_decode_cpu"] = cpu / gPlainDecodeCpu;
}
BENCHMARK(BM_ReadPicture)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The measures alone, on analysis frames taken from the clip beforehand.
void BM_FrameMeasures(benchmark::State& state) {
  static std::vector<std::vector<uint8_t>> pictures;
  static int width = 0, height = 0;
  if (pictures.empty()) {
    vn::setLogSink([](vn::LogStream, const std::string&) {});
    vn::VideoPlayer player;
    vn::LoadVideo(player, clip().path);
    vn::ExtractFrames(
        player, 10.0f, 160,
        [&](int, float, const uint8_t* rgba, int w, int h) {
          if (pictures.size() < 600) pictures.emplace_back(rgba, rgba + static_cast<size_t>(w) * h * 4);
          width = w, height = h;
        },
        [](float) { return pictures.size() < 600 ? 0.0f : -1.0f; });
    vn::setLogSink({});
  }
  vn::TraceAnalyzer analyzer;
  int k = 0;
  for (auto _ : state) {
    if (k == 0) vn::ResetTrace(analyzer, pictures.size() / 10.0f);
    vn::OnTraceFrame(analyzer, k, k / 10.0f, pictures[k].data(), width, height);
    k = (k + 1) % static_cast<int>(pictures.size());
  }
  state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameMeasures)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
