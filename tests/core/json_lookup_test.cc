// Reading one member or item of a JSON text: find_json_value and parse_json_value.
#include "json_vectors.hh"

#include <webview/detail/json.hh>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace webview::detail;

TEST(JsonLookup, Vectors) {
  for (const auto &v : json_vectors) {
    const char *value = nullptr;
    std::size_t length = 99;
    const bool found =
        v.key.empty()
            ? find_json_value(v.text.data(), v.text.size(), nullptr, v.index, &value, &length)
            : find_json_value(v.text.data(), v.text.size(), v.key.data(),
                              static_cast<long long>(v.key.size()), &value, &length);
    if (v.written == nullptr) {
      EXPECT_FALSE(found) << v.name;
      EXPECT_EQ(length, 0u) << v.name;
    } else {
      EXPECT_TRUE(found) << v.name;
      if (found) {
        EXPECT_EQ(std::string(value, length), v.written) << v.name;
        EXPECT_TRUE(value >= v.text.data() && value + length <= v.text.data() + v.text.size())
            << v.name;
      }
    }
    EXPECT_EQ(parse_json_value(v.text, v.key, v.index), v.decoded) << v.name;
  }
}

TEST(JsonLookup, ReadsOnlyTheGivenLength) {
  const std::string text = R"({"id":"x","params":[1,"two"]})";
  const char *value = nullptr;
  std::size_t length = 0;
  ASSERT_TRUE(find_json_value(text.data(), text.size(), "params", 6, &value, &length));
  EXPECT_EQ(std::string(value, length), R"([1,"two"])");
  // The same text cut short inside the array finds nothing.
  EXPECT_FALSE(find_json_value(text.data(), 20, "params", 6, &value, &length));
  EXPECT_EQ(length, 0u);
}

} // namespace
