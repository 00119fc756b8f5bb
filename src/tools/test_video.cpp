#include "tools/test_video.h"

#include "picture/ffmpeg_video.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace vn::tools {
namespace {

constexpr int kAudioRate = 48000;
constexpr int kPcmFrameSamples = 1024;

struct Encoder {
  AVCodecContext* context = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  ~Encoder() {
    av_frame_free(&frame);
    avcodec_free_context(&context);
  }
};

struct Writer {
  AVFormatContext* container = nullptr;
  Encoder video;
  Encoder audio;
  SwsContext* scaler = nullptr;
  AVPacket* packet = nullptr;
  bool headerWritten = false;
  ~Writer() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    if (container && container->pb) avio_closep(&container->pb);
    avformat_free_context(container);
  }
};

bool openEncoder(Writer& w, Encoder& e, const AVCodec* codec, const std::string& what, std::string& error) {
  e.stream = avformat_new_stream(w.container, nullptr);
  if (!e.stream) {
    error = "cannot add the " + what + " stream";
    return false;
  }
  if (w.container->oformat->flags & AVFMT_GLOBALHEADER) e.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(e.context, codec, nullptr) < 0) {
    error = "cannot open the " + what + " encoder";
    return false;
  }
  avcodec_parameters_from_context(e.stream->codecpar, e.context);
  e.stream->time_base = e.context->time_base;
  e.frame = av_frame_alloc();
  return e.frame != nullptr;
}

bool setUpVideo(Writer& w, const TestVideoSpec& clipSpec, std::string& error) {
  const bool lossless = clipSpec.codec == TestVideoCodec::Lossless;
  const AVCodec* codec = avcodec_find_encoder(lossless ? AV_CODEC_ID_FFV1 : AV_CODEC_ID_MPEG4);
  if (!codec || !(w.video.context = avcodec_alloc_context3(codec))) {
    error = "no video encoder available";
    return false;
  }
  AVCodecContext* c = w.video.context;
  c->width = clipSpec.width;
  c->height = clipSpec.height;
  c->time_base = AVRational{1, clipSpec.fps};
  c->framerate = AVRational{clipSpec.fps, 1};
  c->pix_fmt = lossless ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_YUV420P;
  if (!lossless) {
    c->gop_size = 12;
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * clipSpec.mpeg4Quality;
  }
  if (!openEncoder(w, w.video, codec, "video", error)) return false;
  w.video.stream->avg_frame_rate = c->framerate;
  AVFrame* f = w.video.frame;
  f->format = c->pix_fmt;
  f->width = c->width;
  f->height = c->height;
  if (av_frame_get_buffer(f, 0) < 0) {
    error = "cannot allocate a video frame";
    return false;
  }
  w.scaler = sws_getContext(clipSpec.width, clipSpec.height, AV_PIX_FMT_RGBA, clipSpec.width, clipSpec.height, c->pix_fmt,
                            SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!w.scaler) error = "cannot convert pictures for the encoder";
  return w.scaler != nullptr;
}

bool setUpAudio(Writer& w, const TestVideoSpec& clipSpec, std::string& error) {
  const bool lossless = clipSpec.codec == TestVideoCodec::Lossless;
  const AVCodec* codec = avcodec_find_encoder(lossless ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_AAC);
  if (!codec || !(w.audio.context = avcodec_alloc_context3(codec))) {
    error = "no audio encoder available";
    return false;
  }
  AVCodecContext* c = w.audio.context;
  c->sample_rate = kAudioRate;
  c->sample_fmt = lossless ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&c->ch_layout, &stereo);
  c->time_base = AVRational{1, kAudioRate};
  c->bit_rate = 128000;
  if (!openEncoder(w, w.audio, codec, "audio", error)) return false;
  AVFrame* f = w.audio.frame;
  f->format = c->sample_fmt;
  av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
  f->sample_rate = kAudioRate;
  f->nb_samples = c->frame_size > 0 ? c->frame_size : kPcmFrameSamples;
  if (av_frame_get_buffer(f, 0) < 0) {
    error = "cannot allocate an audio frame";
    return false;
  }
  return true;
}

// Sends one frame (null flushes) and writes every packet the encoder gives back.
bool encode(Writer& w, Encoder& e, AVFrame* frame) {
  if (avcodec_send_frame(e.context, frame) < 0) return false;
  for (;;) {
    int got = avcodec_receive_packet(e.context, w.packet);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
    if (got < 0) return false;
    av_packet_rescale_ts(w.packet, e.context->time_base, e.stream->time_base);
    w.packet->stream_index = e.stream->index;
    if (av_interleaved_write_frame(w.container, w.packet) < 0) return false;
  }
}

void fillTone(AVFrame* f, int64_t firstSample, double toneHz, double level) {
  const bool planar = f->format == AV_SAMPLE_FMT_FLTP;
  for (int i = 0; i < f->nb_samples; ++i) {
    double t = static_cast<double>(firstSample + i) / kAudioRate;
    float left = static_cast<float>(level * std::sin(2.0 * std::numbers::pi * toneHz * t));
    float right = static_cast<float>(level * std::sin(2.0 * std::numbers::pi * 2.0 * toneHz * t));
    if (planar) {
      reinterpret_cast<float*>(f->data[0])[i] = left;
      reinterpret_cast<float*>(f->data[1])[i] = right;
    } else {
      auto* s = reinterpret_cast<int16_t*>(f->data[0]);
      s[2 * i] = static_cast<int16_t>(std::lround(left * 32767.0f));
      s[2 * i + 1] = static_cast<int16_t>(std::lround(right * 32767.0f));
    }
  }
}

bool writeStreams(Writer& w, const TestVideoSpec& clipSpec, const std::string& path, std::string& error) {
  w.packet = av_packet_alloc();
  const bool withAudio = clipSpec.toneHz > 0.0;
  if (!w.packet || !setUpVideo(w, clipSpec, error) || (withAudio && !setUpAudio(w, clipSpec, error))) return false;
  if (!(w.container->oformat->flags & AVFMT_NOFILE) && avio_open(&w.container->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
    error = "cannot create " + path;
    return false;
  }
  if (avformat_write_header(w.container, nullptr) < 0) {
    error = "cannot write the container header";
    return false;
  }

  const int frames = static_cast<int>(std::lround(clipSpec.seconds * clipSpec.fps));
  const int64_t totalSamples = static_cast<int64_t>(std::llround(clipSpec.seconds * kAudioRate));
  int64_t audioWritten = 0;
  std::vector<uint8_t> rgba(static_cast<size_t>(clipSpec.width) * clipSpec.height * 4);
  for (int i = 0; i < frames; ++i) {
    clipSpec.paint(i, rgba.data(), clipSpec.width, clipSpec.height);
    const uint8_t* src[1] = {rgba.data()};
    const int srcStride[1] = {clipSpec.width * 4};
    if (av_frame_make_writable(w.video.frame) < 0) return (error = "cannot reuse the video frame", false);
    sws_scale(w.scaler, src, srcStride, 0, clipSpec.height, w.video.frame->data, w.video.frame->linesize);
    w.video.frame->pts = i;
    if (!encode(w, w.video, w.video.frame)) return (error = "video encoding failed", false);
    // Keep the sound a little ahead of the picture so the muxer interleaves evenly.
    const int64_t audioDue = std::min(totalSamples, static_cast<int64_t>((i + 1) * int64_t{kAudioRate} / clipSpec.fps));
    while (withAudio && audioWritten < audioDue) {
      AVFrame* f = w.audio.frame;
      if (av_frame_make_writable(f) < 0) return (error = "cannot reuse the audio frame", false);
      fillTone(f, audioWritten, clipSpec.toneHz, clipSpec.toneLevel);
      f->pts = audioWritten;
      if (!encode(w, w.audio, f)) return (error = "audio encoding failed", false);
      audioWritten += f->nb_samples;
    }
  }
  if (!encode(w, w.video, nullptr) || (withAudio && !encode(w, w.audio, nullptr)))
    return (error = "flushing the encoders failed", false);
  if (av_write_trailer(w.container) < 0) return (error = "cannot finish " + path, false);
  return true;
}

}  // namespace

bool WriteTestVideo(const std::string& path, const TestVideoSpec& clipSpec, std::string& error) {
  if (clipSpec.width < 2 || clipSpec.height < 2 || clipSpec.fps < 1 || clipSpec.seconds <= 0.0 || !clipSpec.paint) {
    error = "the test video needs a size, a frame rate, a length and a painter";
    return false;
  }
  QuietFfmpegLog();
  // The file is written beside its target and renamed over it once complete, so a
  // failed run never leaves half a video under the real name.
  const std::string temporary = path + ".tmp";
  const AVOutputFormat* container = av_guess_format(nullptr, path.c_str(), nullptr);
  Writer w;
  if (!container || avformat_alloc_output_context2(&w.container, container, nullptr, temporary.c_str()) < 0) {
    error = "no container format for " + path;
    return false;
  }
  bool written = writeStreams(w, clipSpec, temporary, error);
  if (w.container->pb) avio_closep(&w.container->pb);
  if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot rename the finished video to " + path;
    written = false;
  }
  if (!written) std::remove(temporary.c_str());
  return written;
}

}  // namespace vn::tools
