#include "window_open.hh"

namespace zbr {

WindowOpen window_open(const Json &params) {
  WindowOpen open;
  open.url = params["url"].str();
  open.user_gesture = params["userGesture"].boolean();
  const Json &features = params["windowFeatures"];
  for (std::size_t i = 0; i < features.size(); ++i) {
    open.features += (i == 0 ? "" : ",") + features.at(i).str();
  }
  return open;
}

} // namespace zbr
