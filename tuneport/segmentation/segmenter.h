// Base of the boundary models that the melody table writer runs on a
// converter melody.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::segmentation {

/// A boundary model over one melody (not owned). Failures set the error text
/// and give an empty series; the caller goes on.
class Segmenter {
 public:
  explicit Segmenter(const model::ConverterMelody* melody) : melody_(melody) {}
  virtual ~Segmenter() = default;
  Segmenter(const Segmenter&) = default;
  Segmenter& operator=(const Segmenter&) = default;

  /// Replaces \a out by the model's series (empty on failure).
  virtual void compute(std::vector<double>& out) = 0;
  /// Replaces \a out by the boundaries; none by default.
  virtual void boundaries(std::vector<double>& out);

  /// The last error: "Invalid melody object", "Empty melody" or the model's own.
  const std::string& errorText() const { return errorText_; }

 protected:
  /// True for a melody with notes; otherwise sets "Invalid melody object"
  /// (no melody) or "Empty melody".
  bool melodyUsable();
  void setError(std::string text) { errorText_ = std::move(text); }

  const model::ConverterMelody* melody_;

 private:
  std::string errorText_;
};

}  // namespace suite::tuneport::segmentation
