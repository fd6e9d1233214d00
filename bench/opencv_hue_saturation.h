// The library's hue and saturation change in OpenCV's whole-image primitives,
// so that the peer does the same work in the same colour model: intensity and
// a chroma vector (x, y) by a linear map, the chroma length S raised to a
// power and capped (saturation), the vector turned (hue), and the linear map
// back. Single-precision where the library computes in double precision: the
// results agree to a level or two. The intermediate matrices are kept from
// call to call (per thread), as a caller changing many pages would keep them,
// so that only the result is new memory, as on our side.
#ifndef PELRITH_BENCH_OPENCV_HUE_SATURATION_H_
#define PELRITH_BENCH_OPENCV_HUE_SATURATION_H_

#include <opencv2/core.hpp>

#include <cmath>

// `in` holds 8-bit red, green, blue in that order (`is_bgr` false) or blue,
// green, red; `out` gets the same order. hue: degrees; saturation: percent,
// above 0 (the raising branch).
inline void OpenCvHueSaturation(const cv::Mat& in, cv::Mat& out, int hue, int saturation, bool is_bgr) {
  const float r6 = std::sqrt(6.0f);
  const float s = saturation * 0.01f;
  const float exponent = 1.0f - s * 2.0f / 3.0f;
  const float s_max = 2.0f / r6;
  const float theta = hue * 0.017453292519943295f;
  // (c0, c1, c2) = (r, g, b) / 255 -> (i, x, y); columns in the input's order.
  cv::Matx33f forward(1 / 3.0f, 1 / 3.0f, 1 / 3.0f,  //
                      -1 / r6, -1 / r6, 2 / r6,      //
                      1 / r6, -1 / r6, 0);
  if (is_bgr) {
    for (int row = 0; row < 3; ++row) std::swap(forward(row, 0), forward(row, 2));
  }
  forward = forward * (1 / 255.0f);
  // (i, x', y') turned by theta -> (r, g, b) * 255, rows in the output's order.
  const cv::Matx33f back(1, -1 / r6, r6 / 2,  //
                         1, -1 / r6, -r6 / 2,  //
                         1, r6 / 3, 0);
  const cv::Matx33f turn(1, 0, 0,  //
                         0, std::cos(theta), -std::sin(theta),  //
                         0, std::sin(theta), std::cos(theta));
  cv::Matx33f backward = back * turn * 255.0f;
  if (is_bgr) {
    for (int col = 0; col < 3; ++col) std::swap(backward(0, col), backward(2, col));
  }

  thread_local cv::Mat samples, ixy, turned, length, scaled, factor, zero;
  thread_local cv::Mat planes[3];
  in.convertTo(samples, CV_32F);
  cv::transform(samples, ixy, forward);
  cv::split(ixy, planes);
  cv::magnitude(planes[1], planes[2], length);
  cv::pow(length, exponent, scaled);
  cv::multiply(scaled, s_max, scaled);
  cv::min(scaled, s_max, scaled);
  cv::divide(scaled, length, factor);
  cv::compare(length, 0, zero, cv::CMP_EQ);
  factor.setTo(0, zero);
  cv::multiply(planes[1], factor, planes[1]);
  cv::multiply(planes[2], factor, planes[2]);
  cv::merge(planes, 3, ixy);
  cv::transform(ixy, turned, backward);
  turned.convertTo(out, CV_8UC3);  // rounds and saturates to 0..255
}

#endif  // PELRITH_BENCH_OPENCV_HUE_SATURATION_H_
