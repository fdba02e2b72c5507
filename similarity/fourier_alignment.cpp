#include "similarity/fourier_alignment.h"

#include "similarity/alignment.h"

namespace suite::similarity {

SimilarityResult fourierAlignment(std::span<const double> s, std::span<const double> l,
                                  std::size_t skip, std::uint32_t flags,
                                  FourierWorkspace& workspace) {
  // The whole shorter sequence meets every window of the longer one: its
  // spectrum is computed once, at the first such window.
  SpectrumWorkspace& spectra = workspace.spectrum;
  bool haveWhole = false;
  return bestAlignment(s, l, skip, [&](std::span<const double> x, std::span<const double> y) {
    const bool isWhole = x.size() == s.size();
    if (isWhole && !haveWhole) {
      magnitudeSpectrum(s, workspace.whole, spectra);
      haveWhole = true;
    }
    if (!isWhole) magnitudeSpectrum(x, spectra.spectrumX, spectra);
    magnitudeSpectrum(y, spectra.spectrumY, spectra);
    return compareSpectra(isWhole ? workspace.whole : spectra.spectrumX, spectra.spectrumY, flags);
  });
}

}  // namespace suite::similarity
