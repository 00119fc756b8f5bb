#include "picture/frame_extract.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/log.h"

namespace vn {
namespace {

constexpr int kMaxFramesPerIndex = 2000;
// Further than this ahead, repositioning is cheaper than decoding through.
constexpr float kDecodeThroughLimit = 5.0f;

// Brings the decoder to the first frame whose time reaches target. Decoding runs
// forward from where the decoder stands, so consecutive indices never re-decode;
// the frame already decoded is kept when it still qualifies (a slow video repeats
// frames). Returns false when no frame is available at all.
bool reachFrame(FfmpegVideo& video, float t, float target, bool& decodedNew) {
  decodedNew = false;
  if (video.lastFrameTime >= 0.0f && video.lastFrameTime >= target) return true;
  if (video.lastFrameTime >= 0.0f && target - video.lastFrameTime > kDecodeThroughLimit) {
    SeekFfmpegVideo(video, t);
  }
  for (int n = 0; n < kMaxFramesPerIndex; ++n) {
    if (!DecodeNextFrame(video)) break;
    decodedNew = true;
    if (video.lastFrameTime >= target) break;
  }
  return video.lastFrameTime >= 0.0f;
}

}  // namespace

int ExtractFrames(VideoPlayer& player, float analysisFps, int maxWidth, const FrameCallback& onFrame,
                  const ExtractProgress& onProgress) {
  if (!player.loaded || !player.decoder) return 0;
  const float step = 1.0f / std::max(1.0f, analysisFps);
  const int count = static_cast<int>(player.duration / step);
  if (count < 1) return 0;
  int width = player.width, height = player.height;
  if (maxWidth >= 1 && width > maxWidth) {
    height = std::max(1, static_cast<int>(static_cast<float>(height) / width * maxWidth));
    width = maxWidth;
  }

  VideoDecoderState& state = *player.decoder;
  FfmpegVideo privateVideo;
  std::string failure;
  const bool shared = !OpenFfmpegVideo(privateVideo, state.path, failure);
  if (shared) logLine("[Video] extract: private decoder unavailable, sharing playback decoder\n");
  FfmpegVideo& video = shared ? state.ffmpeg : privateVideo;
  const float half = video.fps > 0.0f ? 0.5f / video.fps : 0.02f;

  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  int delivered = 0;
  for (int i = 0; i < count; ++i) {
    const float t = static_cast<float>(i) * step;
    std::unique_lock<std::mutex> lock(state.mutex, std::defer_lock);
    bool decodedNew = false;
    if (shared) {
      lock.lock();
      // The transport may have moved the playback decoder since the last index.
      SeekFfmpegVideo(video, t);
    }
    if (!reachFrame(video, t, t - half, decodedNew)) break;
    if ((decodedNew || delivered == 0) && !ConvertLastFrame(video, pixels.data(), width, height)) break;
    if (lock.owns_lock()) lock.unlock();
    onFrame(i, t, pixels.data(), width, height);
    ++delivered;
    if (onProgress && onProgress(static_cast<float>(i + 1) / static_cast<float>(count)) < 0.0f) break;
  }

  if (shared) {
    std::lock_guard<std::mutex> lock(state.mutex);
    SeekFfmpegVideo(video, std::max(0.0f, player.currentFrameTime));
  } else {
    CloseFfmpegVideo(privateVideo);
  }
  return delivered;
}

}  // namespace vn
