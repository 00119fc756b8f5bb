// The measures taken from the pixels of one analysed frame as it arrives.
#include <algorithm>
#include <cmath>

#include "picture/trace_analyzer.h"

namespace vn {
namespace {

constexpr int kGrid = 4;

struct PixelStats {
  double sumY = 0, sumR = 0, sumG = 0, sumB = 0, sumS = 0;
  std::array<float, 24> histogram{};
};

int histogramBin(float c) { return std::min(7, static_cast<int>(c * 8.0f)); }

// Luma, saturation, colour sums and histograms, plus the per-pixel planes the
// next frame's change measure needs.
PixelStats measurePixels(const uint8_t* rgba, int w, int h, PreviousFrame& planes) {
  PixelStats st;
  const size_t n = static_cast<size_t>(w) * h;
  planes.columnSums.assign(w, 0.0f);
  planes.rowSums.assign(h, 0.0f);
  planes.logLuma.resize(n);
  planes.redMinusGreen.resize(n);
  planes.blueMinusGreen.resize(n);
  for (int y = 0; y < h; ++y) {
    float rowSum = 0.0f;
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      const uint8_t* p = rgba + i * 4;
      const float r = p[0] / 255.0f, g = p[1] / 255.0f, b = p[2] / 255.0f;
      const float luma = 0.2126f * r + 0.7152f * g + 0.0722f * b;
      const float hi = std::max({r, g, b}), lo = std::min({r, g, b});
      st.sumY += luma;
      st.sumR += r;
      st.sumG += g;
      st.sumB += b;
      st.sumS += hi > 0.001f ? (hi - lo) / hi : 0.0f;
      st.histogram[histogramBin(r)] += 1.0f;
      st.histogram[8 + histogramBin(g)] += 1.0f;
      st.histogram[16 + histogramBin(b)] += 1.0f;
      planes.columnSums[x] += luma;
      rowSum += luma;
      planes.logLuma[i] = std::log(luma + 0.01f);
      planes.redMinusGreen[i] = r - g;
      planes.blueMinusGreen[i] = b - g;
    }
    planes.rowSums[y] = rowSum;
  }
  for (float& bin : st.histogram) bin /= static_cast<float>(n);
  return st;
}

int shiftRange(int size) {
  int s = size / 10;
  return s < 5 ? 4 : s;
}

// Motion after compensating the global shift, and where in the picture it is.
void measureMotion(FrameMeasures& row, const PreviousFrame& cur, const PreviousFrame& prev, int w, int h) {
  const int dx = BestShift(cur.columnSums, prev.columnSums, shiftRange(w));
  const int dy = BestShift(cur.rowSums, prev.rowSums, shiftRange(h));
  row.cameraMotion = std::clamp(static_cast<float>(std::sqrt(double(dx) * dx + double(dy) * dy) /
                                                   (0.08 * std::sqrt(double(w) * w + double(h) * h))),
                                0.0f, 1.0f);
  double cellSum[kGrid][kGrid] = {};
  int cellCount[kGrid][kGrid] = {};
  double sum = 0.0;
  int count = 0;
  for (int y = 0; y < h; y += 2) {
    const int py = y + dy;
    if (py < 0 || py >= h) continue;
    for (int x = 0; x < w; x += 2) {
      const int px = x + dx;
      if (px < 0 || px >= w) continue;
      const size_t c = static_cast<size_t>(y) * w + x, p = static_cast<size_t>(py) * w + px;
      const float change = std::fabs(cur.logLuma[c] - prev.logLuma[p]) +
                           0.3f * (std::fabs(cur.redMinusGreen[c] - prev.redMinusGreen[p]) +
                                   std::fabs(cur.blueMinusGreen[c] - prev.blueMinusGreen[p]));
      sum += change;
      ++count;
      const int col = kGrid * x / w, cellRow = kGrid * y / h;
      cellSum[cellRow][col] += change;
      ++cellCount[cellRow][col];
    }
  }
  row.motion = count > 0 ? static_cast<float>(sum / (3.0 * count)) : 0.0f;

  double m[kGrid][kGrid];
  double total = 0.0, squares = 0.0, peak = 0.0;
  for (int r = 0; r < kGrid; ++r)
    for (int c = 0; c < kGrid; ++c) {
      m[r][c] = cellCount[r][c] > 0 ? cellSum[r][c] / cellCount[r][c] : 0.0;
      total += m[r][c];
      squares += m[r][c] * m[r][c];
      peak = std::max(peak, m[r][c]);
    }
  row.localMotionPeak = static_cast<float>(peak / 3.0);
  if (total > 1e-6) {
    double cx = 0.0, cy = 0.0;
    for (int r = 0; r < kGrid; ++r)
      for (int c = 0; c < kGrid; ++c) {
        cx += m[r][c] * (c + 0.5) / kGrid;
        cy += m[r][c] * (r + 0.5) / kGrid;
      }
    cx /= total;
    cy /= total;
    double spread = 0.0;
    for (int r = 0; r < kGrid; ++r)
      for (int c = 0; c < kGrid; ++c) {
        const double ex = (c + 0.5) / kGrid - cx, ey = (r + 0.5) / kGrid - cy;
        spread += m[r][c] * (ex * ex + ey * ey);
      }
    row.panX = static_cast<float>(2.0 * cx - 1.0);
    row.panY = static_cast<float>(2.0 * cy - 1.0);
    row.spatialSpread = static_cast<float>(std::clamp(std::sqrt(spread / total) / 0.4, 0.0, 1.0));
  }
  const double ratio = squares > 1e-9 ? total * total / (16.0 * squares) : 1.0;
  row.foregroundMass = static_cast<float>(std::clamp((1.0 - ratio) * 16.0 / 15.0, 0.0, 1.0));
}

}  // namespace

void OnTraceFrame(TraceAnalyzer& analyzer, int k, float time, const uint8_t* rgba, int width, int height) {
  if (k < 0 || k >= static_cast<int>(analyzer.frames.size())) return;
  FrameMeasures& row = analyzer.frames[k];
  row = FrameMeasures{};
  row.time = time;
  if (width <= 0 || height <= 0 || !rgba) {
    analyzer.framesProcessed.store(k + 1, std::memory_order_release);
    return;
  }
  PreviousFrame current;
  const PixelStats st = measurePixels(rgba, width, height, current);
  const double n = static_cast<double>(width) * height;
  const double meanR = st.sumR / n, meanG = st.sumG / n, meanB = st.sumB / n;
  row.brightness = static_cast<float>(st.sumY / n);
  row.saturation = static_cast<float>(st.sumS / n);
  row.colorTemp = static_cast<float>(std::clamp((meanR - meanB) / std::max(0.5 * meanG + 0.3, 0.01), -1.0, 1.0));

  PreviousFrame& prev = analyzer.previous;
  if (prev.hasHistogram) {
    float diff = 0.0f;
    for (size_t i = 0; i < st.histogram.size(); ++i) diff += std::fabs(st.histogram[i] - prev.histogram[i]);
    row.histogramDiff = diff / 6.0f;
  }
  if (prev.present && prev.width == width && prev.height == height) measureMotion(row, current, prev, width, height);
  if (k > 0) row.brightnessDelta = row.brightness - analyzer.frames[k - 1].brightness;

  current.present = true;
  current.hasHistogram = true;
  current.width = width;
  current.height = height;
  current.histogram = st.histogram;
  prev = std::move(current);
  analyzer.framesProcessed.store(k + 1, std::memory_order_release);
}

int BestShift(const std::vector<float>& a, const std::vector<float>& b, int s) {
  const int n = static_cast<int>(a.size());
  if (n == 0 || b.size() != a.size()) return 0;
  double ma = 0.0, mb = 0.0;
  for (int i = 0; i < n; ++i) {
    ma += a[i];
    mb += b[i];
  }
  ma /= n;
  mb /= n;
  double va = 0.0;
  for (int i = 0; i < n; ++i) va += (a[i] - ma) * (a[i] - ma);
  if (va < 1e-6) return 0;
  double best = -1e30;
  int bestShift = 0;
  for (int d = -s; d <= s; ++d) {
    double c = 0.0, vb = 0.0;
    int count = 0;
    for (int i = std::max(0, -d); i < n && i + d < n; ++i) {
      const double db = b[i + d] - mb;
      c += (a[i] - ma) * db;
      vb += db * db;
      ++count;
    }
    if (count < n / 2 || vb < 1e-6) continue;
    const double score = c / std::sqrt(va * vb);
    if (score > best) {
      best = score;
      bestShift = d;
    }
  }
  return bestShift;
}

}  // namespace vn
