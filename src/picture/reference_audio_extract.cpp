// Decoding the video's sound track into the 48 kHz stereo reference buffer.
#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include "picture/ffmpeg_video.h"
#include "picture/reference_audio.h"
#include "platform/log.h"

namespace vn {
namespace {

constexpr int kOutRate = 48000;
constexpr int kProgressEveryPackets = 256;

struct AudioDecodeObjects {
  AVFormatContext* container = nullptr;
  AVCodecContext* decoder = nullptr;
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int streamIndex = -1;

  ~AudioDecodeObjects() {
    swr_free(&resampler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&container);
  }
};

bool openAudio(AudioDecodeObjects& o, const std::string& path) {
  QuietFfmpegLog();
  o.packet = av_packet_alloc();
  o.frame = av_frame_alloc();
  if (!o.packet || !o.frame) return false;
  if (avformat_open_input(&o.container, path.c_str(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(o.container, nullptr) < 0) return false;
  const AVCodec* codec = nullptr;
  o.streamIndex = av_find_best_stream(o.container, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (o.streamIndex < 0 || !codec) return false;
  o.decoder = avcodec_alloc_context3(codec);
  if (!o.decoder) return false;
  if (avcodec_parameters_to_context(o.decoder, o.container->streams[o.streamIndex]->codecpar) < 0) return false;
  if (avcodec_open2(o.decoder, codec, nullptr) < 0) return false;
  AVChannelLayout inLayout{};
  if (o.decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || o.decoder->ch_layout.nb_channels < 1)
    av_channel_layout_default(&inLayout, std::max(1, o.decoder->ch_layout.nb_channels));
  else
    av_channel_layout_copy(&inLayout, &o.decoder->ch_layout);
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  int made = swr_alloc_set_opts2(&o.resampler, &stereo, AV_SAMPLE_FMT_S16, kOutRate, &inLayout,
                                 o.decoder->sample_fmt, o.decoder->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&inLayout);
  return made >= 0 && swr_init(o.resampler) >= 0;
}

// Appends the resampled output of `frame` (null flushes the resampler).
void appendResampled(AudioDecodeObjects& o, const AVFrame* frame, std::vector<int16_t>& out) {
  int inCount = frame ? frame->nb_samples : 0;
  int capacity = swr_get_out_samples(o.resampler, inCount);
  if (capacity <= 0) return;
  size_t start = out.size();
  out.resize(start + static_cast<size_t>(capacity) * 2);
  uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + start);
  int produced = swr_convert(o.resampler, &dst, capacity, frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                             inCount);
  out.resize(start + static_cast<size_t>(std::max(produced, 0)) * 2);
}

void reportProgress(AVFormatContext* container, const AVPacket* packet, double timeBase) {
  double fraction = -1.0;
  int64_t size = container->pb ? avio_size(container->pb) : -1;
  int64_t position = container->pb ? avio_tell(container->pb) : -1;
  if (size > 0 && position >= 0)
    fraction = static_cast<double>(position) / static_cast<double>(size);
  else if (container->duration > 0 && packet->pts != AV_NOPTS_VALUE)
    fraction = packet->pts * timeBase / (container->duration / 1000000.0);
  if (fraction >= 0.0) RaiseLoadProgress(static_cast<float>(std::clamp(fraction * 0.93 + 0.06, 0.0, 1.0)));
}

void receiveFrames(AudioDecodeObjects& o, std::vector<int16_t>& out) {
  while (avcodec_receive_frame(o.decoder, o.frame) == 0) {
    appendResampled(o, o.frame, out);
    av_frame_unref(o.frame);
  }
}

}  // namespace

void ExtractReferenceAudio(const std::string& path, int64_t maxFrames) {
  ClearReferenceAudio();
  AudioDecodeObjects o;
  if (!openAudio(o, path)) return;
  auto audio = std::make_shared<VideoRefAudio>();
  std::vector<int16_t>& out = audio->samples;
  const size_t maxSamples = static_cast<size_t>(maxFrames) * 2;
  const double timeBase = av_q2d(o.container->streams[o.streamIndex]->time_base);
  if (o.container->duration > 0) {
    double expected = o.container->duration / 1000000.0 * kOutRate * 2 + kOutRate;
    out.reserve(static_cast<size_t>(std::min(expected, static_cast<double>(maxSamples))));
  }
  bool capped = false;
  int packets = 0;
  while (!capped && av_read_frame(o.container, o.packet) >= 0) {
    if (o.packet->stream_index == o.streamIndex) {
      if (++packets % kProgressEveryPackets == 0) reportProgress(o.container, o.packet, timeBase);
      if (avcodec_send_packet(o.decoder, o.packet) >= 0) receiveFrames(o, out);
      capped = out.size() >= maxSamples;
    }
    av_packet_unref(o.packet);
  }
  if (!capped) {
    avcodec_send_packet(o.decoder, nullptr);
    receiveFrames(o, out);
    appendResampled(o, nullptr, out);
    capped = out.size() >= maxSamples;
  }
  if (capped) {
    out.resize(maxSamples);
    logLine("[Video] reference audio capped at 60 min (%s)\n", path.c_str());
  }
  audio->frameCount = static_cast<int64_t>(out.size() / 2);
  if (out.size() > 1) {
    logLine("[Video] reference audio: %.1fs stereo 48kHz (%s)\n", audio->frameCount / 48000.0, path.c_str());
    PublishReferenceAudio(std::move(audio));
  }
}

}  // namespace vn
