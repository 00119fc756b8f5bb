#include "picture/ffmpeg_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

#include "platform/log.h"

namespace vn {
namespace {

constexpr int kMaxDecodeRounds = 4096;
constexpr int kDisplayCap = 1280;

float guessFps(AVFormatContext* container, AVStream* stream) {
  AVRational rate = av_guess_frame_rate(container, stream, nullptr);
  if (rate.num >= 1 && rate.den >= 1) return static_cast<float>(av_q2d(rate));
  return 24.0f;
}

float streamDuration(AVFormatContext* container, AVStream* stream) {
  if (stream->duration >= 1) return static_cast<float>(stream->duration * av_q2d(stream->time_base));
  if (container->duration > 0) return static_cast<float>(container->duration / 1000000.0);
  return 0.0f;
}

bool fail(FfmpegVideo& video, std::string& failure, std::string line) {
  failure = std::move(line);
  CloseFfmpegVideo(video);
  return false;
}

}  // namespace

void CapDisplaySize(int& width, int& height) {
  if (width <= kDisplayCap && height <= kDisplayCap) return;
  double scale = static_cast<double>(kDisplayCap) / std::max(width, height);
  width = static_cast<int>(width * scale);
  height = static_cast<int>(height * scale);
}

void QuietFfmpegLog() {
  // The program reports what failed in its own words; FFmpeg's internal notes
  // about damaged input would only add noise to standard error.
  static const bool quiet = [] {
    av_log_set_level(AV_LOG_FATAL);
    return true;
  }();
  (void)quiet;
}

bool OpenFfmpegVideo(FfmpegVideo& video, const std::string& path, std::string& failure) {
  QuietFfmpegLog();
  const char* p = path.c_str();
  video.packet = av_packet_alloc();
  video.frame = av_frame_alloc();
  video.lastFrame = av_frame_alloc();
  if (!video.packet || !video.frame || !video.lastFrame ||
      avformat_open_input(&video.container, p, nullptr, nullptr) < 0)
    return fail(video, failure, format("[Video] FFmpeg: cannot open container (%s)\n", p));
  if (avformat_find_stream_info(video.container, nullptr) < 0)
    return fail(video, failure, format("[Video] FFmpeg: no stream info (%s)\n", p));
  const AVCodec* codec = nullptr;
  video.streamIndex = av_find_best_stream(video.container, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (video.streamIndex < 0 || !codec)
    return fail(video, failure, format("[Video] FFmpeg: no decodable video stream (%s)\n", p));
  AVStream* stream = video.container->streams[video.streamIndex];
  video.decoderName = codec->name;
  video.decoder = avcodec_alloc_context3(codec);
  if (!video.decoder || avcodec_parameters_to_context(video.decoder, stream->codecpar) < 0)
    return fail(video, failure,
                format("[Video] FFmpeg: decoder open failed (%s, %s)\n", video.decoderName.c_str(), p));
  video.decoder->thread_count = 0;  // as many threads as the decoder finds useful
  if (avcodec_open2(video.decoder, codec, nullptr) < 0)
    return fail(video, failure,
                format("[Video] FFmpeg: decoder open failed (%s, %s)\n", video.decoderName.c_str(), p));
  video.sourceWidth = stream->codecpar->width;
  video.sourceHeight = stream->codecpar->height;
  if (video.sourceWidth < 1 || video.sourceHeight < 1)
    return fail(video, failure, format("[Video] FFmpeg: bad dimensions (%s)\n", p));
  video.fps = guessFps(video.container, stream);
  video.duration = streamDuration(video.container, stream);
  if (video.duration <= 0.0f)
    return fail(video, failure, format("[Video] FFmpeg: zero/unknown duration (%s)\n", p));
  video.timeBase = av_q2d(stream->time_base);
  video.flushSent = false;
  video.lastFrameTime = -1.0f;
  return true;
}

void CloseFfmpegVideo(FfmpegVideo& video) {
  sws_freeContext(video.scaler);
  av_frame_free(&video.lastFrame);
  av_frame_free(&video.frame);
  av_packet_free(&video.packet);
  avcodec_free_context(&video.decoder);
  avformat_close_input(&video.container);
  video = FfmpegVideo{};
}

bool DecodeNextFrame(FfmpegVideo& video) {
  if (!video.decoder) return false;
  for (int round = 0; round < kMaxDecodeRounds; ++round) {
    int got = avcodec_receive_frame(video.decoder, video.frame);
    if (got == 0) {
      float previous = video.lastFrameTime;
      if (video.frame->best_effort_timestamp != AV_NOPTS_VALUE)
        video.lastFrameTime = static_cast<float>(video.frame->best_effort_timestamp * video.timeBase);
      else if (video.frame->pts != AV_NOPTS_VALUE)
        video.lastFrameTime = static_cast<float>(video.frame->pts * video.timeBase);
      else
        video.lastFrameTime = previous + (video.fps > 0.0f ? 1.0f / video.fps : 0.04f);
      av_frame_unref(video.lastFrame);
      av_frame_move_ref(video.lastFrame, video.frame);
      return true;
    }
    if (got != AVERROR(EAGAIN)) return false;  // drained after the flush, or a decoder error
    if (av_read_frame(video.container, video.packet) < 0) {
      if (video.flushSent) return false;
      video.flushSent = true;
      avcodec_send_packet(video.decoder, nullptr);
      continue;
    }
    if (video.packet->stream_index == video.streamIndex) avcodec_send_packet(video.decoder, video.packet);
    av_packet_unref(video.packet);
  }
  return false;
}

void SeekFfmpegVideo(FfmpegVideo& video, float t) {
  if (!video.decoder) return;
  int64_t target = video.timeBase > 0.0 ? static_cast<int64_t>(t / video.timeBase) : 0;
  av_seek_frame(video.container, video.streamIndex, target, AVSEEK_FLAG_BACKWARD);
  avcodec_flush_buffers(video.decoder);
  video.flushSent = false;
  // Nothing has been decoded at the new position yet.
  av_frame_unref(video.lastFrame);
  video.lastFrameTime = -1.0f;
}

bool ConvertLastFrame(FfmpegVideo& video, uint8_t* rgba, int width, int height) {
  AVFrame* f = video.lastFrame;
  if (!f || !f->data[0] || f->width < 1 || f->height < 1) return false;
  video.scaler = sws_getCachedContext(video.scaler, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                      width, height, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!video.scaler) return false;
  uint8_t* planes[4] = {rgba, nullptr, nullptr, nullptr};
  int strides[4] = {width * 4, 0, 0, 0};
  return sws_scale(video.scaler, f->data, f->linesize, 0, f->height, planes, strides) > 0;
}

}  // namespace vn
