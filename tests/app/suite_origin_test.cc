// Which documents the native services answer, which addresses reach the default browser, where
// pages' new windows go, and how bursts of calls are limited.
#include "../../app/burst_limit.hh"
#include "../../app/external_address.hh"
#include "../../app/new_window_rules.hh"
#include "../../app/suite_origin.hh"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace zorvel;

const suite_sites sites{"zo-desk-app.zorvel.net", "zo-office.zorvel.net", "zo-", "zorvel.net"};

TEST(SuiteDocument, AdmitsTheSuiteHostsOverHttpsOnly) {
  for (const char *url : {
           "https://zo-desk-app.zorvel.net/app/?platform=desktop&w=x",
           "https://zo-office.zorvel.net/",
           "https://zo-office.zorvel.net",
           "https://zo-sheets.zorvel.net/en/suite/x#frag",
           "https://zo-office.zorvel.net?q=@evil.test:1",
       }) {
    EXPECT_TRUE(is_suite_document(url, sites)) << url;
  }
}

TEST(SuiteDocument, RefusesHostileAndLookAlikeAddresses) {
  for (const char *url : {
           "",
           "zo-office.zorvel.net",
           "//zo-office.zorvel.net/",
           "http://zo-office.zorvel.net/",
           "HTTPS://zo-office.zorvel.net/",
           "https://ZO-OFFICE.zorvel.net/",
           "https://zo-office.zorvel.net.attacker.test/",
           "https://zo-office.zorvel.net@attacker.test/",
           "https://attacker.test@zo-office.zorvel.net/",
           "https://user:pw@zo-office.zorvel.net/",
           "https://zo-office.zorvel.net:8443/",
           "https://zo-office.zorvel.net:443/",
           "https://zo-office.zorvel.net:/",
           "https://zo-office.zorvel.net./",
           "https://zo-%6Fffice.zorvel.net/",
           "https://zo-office%2ezorvel.net/",
           "https://zo-.zorvel.net/",
           "https://zo-off1ce.zorvel.net/",
           "https://zo-a-b.zorvel.net/",
           "https://xzo-office.zorvel.net/",
           "https://zo-office.zorvel.netx/",
           "https://zo-office.xzorvel.net/",
           "https://zorvel.net/",
           "https://evil.zo-office.zorvel.net/",
           "https://zo-desk-app.zorvel.net.attacker.test/",
           "https://[::1]/",
           "file:///C:/zo-office.zorvel.net/",
           "about:blank",
           "data:text/html,https://zo-office.zorvel.net/",
       }) {
    EXPECT_FALSE(is_suite_document(url, sites)) << url;
  }
}

TEST(SuiteDocument, EditorPagesAreTheMainSiteUnderSuitePaths) {
  EXPECT_TRUE(is_suite_editor_document("https://zo-office.zorvel.net/suite/doc?id=1", sites));
  EXPECT_TRUE(is_suite_editor_document("https://zo-office.zorvel.net/en/suite/", sites));
  for (const char *url : {
           "https://zo-office.zorvel.net/",
           "https://zo-office.zorvel.net/suites/",
           "https://zo-office.zorvel.net/ar/suite/",
           "https://zo-office.zorvel.net?/suite/",
           "https://zo-office.zorvel.net#/suite/",
           "https://zo-sheets.zorvel.net/suite/",
           "https://zo-desk-app.zorvel.net/suite/",
           "https://zo-office.zorvel.net:8443/suite/",
           "http://zo-office.zorvel.net/suite/",
           "https://zo-office.zorvel.net.attacker.test/suite/",
       }) {
    EXPECT_FALSE(is_suite_editor_document(url, sites)) << url;
  }
}

TEST(ExternalAddress, OpensWellFormedHttpsAddressesEncodingWhatCannotStandInThem) {
  EXPECT_EQ(external_address("https://zo-office.zorvel.net/download/"),
            "https://zo-office.zorvel.net/download/");
  EXPECT_EQ(external_address("https://example.test:8443/a?b=c&d=%20e#f"),
            "https://example.test:8443/a?b=c&d=%20e#f");
  EXPECT_EQ(external_address("https://example.test"), "https://example.test");
  EXPECT_EQ(external_address("https://Example.TEST/"), "https://Example.TEST/");
  EXPECT_EQ(external_address("https://[::1]:9/x"), "https://[::1]:9/x");
  EXPECT_EQ(external_address("https://example.test/a b\"<>{}|\\^`"),
            "https://example.test/a%20b%22%3C%3E%7B%7D%7C%5C%5E%60");
  EXPECT_EQ(external_address("https://example.test/%zz%4"), "https://example.test/%25zz%254");
  EXPECT_EQ(external_address("https://example.test/\xD8\xB9?q=\xE2\x82\xAC"),
            "https://example.test/%D8%B9?q=%E2%82%AC");
}

TEST(ExternalAddress, RefusesEverythingElse) {
  for (const std::string url : {
           "",
           "http://example.test/",
           "HTTPS://example.test/",
           "https:example.test",
           "https:///path",
           "https://user@example.test/",
           "https://a:b@example.test/",
           "https://example.test:0/",
           "https://example.test:65536/",
           "https://example.test:x/",
           "https://example.test:/",
           "https://exa mple.test/",
           "https://exa%6dple.test/",
           "https://.example.test/",
           "https://example..test/",
           "https://example.test/a\nb",
           "https://example.test/\x01",
           "https://example.test/\x7F",
           "javascript:alert(1)",
           "mailto:a@example.test",
           "file:///C:/x",
       }) {
    EXPECT_EQ(external_address(url), "") << url;
  }
}

TEST(ExternalAddress, IsAtMost2048CharactersAfterEncoding) {
  const std::string head = "https://example.test/";
  const std::string longest = head + std::string(2048 - head.size(), 'a');
  EXPECT_EQ(external_address(longest), longest);
  EXPECT_EQ(external_address(longest + "a"), "");
  // 2046 characters that grow past the limit when their spaces are encoded.
  EXPECT_EQ(external_address(head + std::string(2046 - head.size(), ' ')), "");
}

TEST(NewWindow, SuiteDocumentsGetAWindowPopupsStayPopupsOtherLinksGoToTheBrowser) {
  const auto place = [](const char *uri, bool popup) {
    return place_for_new_window(uri, popup, sites);
  };
  EXPECT_EQ(place("https://zo-office.zorvel.net/suite/doc?id=1", false),
            new_window_place::suite_window);
  EXPECT_EQ(place("https://zo-office.zorvel.net/suite/doc?id=1", true),
            new_window_place::suite_window);
  EXPECT_EQ(place("https://login.example.test/authorize?x=1", true), new_window_place::popup);
  EXPECT_EQ(place("about:blank", true), new_window_place::popup);
  EXPECT_EQ(place("https://example.test/article", false), new_window_place::default_browser);
  // Not https, or a suite look-alike over plain http: nothing opens.
  EXPECT_EQ(place("http://example.test/", false), new_window_place::nowhere);
  EXPECT_EQ(place("http://zo-office.zorvel.net/suite/", false), new_window_place::nowhere);
  EXPECT_EQ(place("file:///C:/Windows/win.ini", true), new_window_place::nowhere);
  EXPECT_EQ(place("javascript:alert(1)", true), new_window_place::nowhere);
  EXPECT_EQ(place("data:text/html,hi", false), new_window_place::nowhere);
  EXPECT_EQ(place("about:blank", false), new_window_place::nowhere);
}

TEST(BurstLimit, AllowsAFewInAnyWindowAndRecovers) {
  burst_limit limit(3, 10000);
  EXPECT_TRUE(limit.allow(1000));
  EXPECT_TRUE(limit.allow(1000));
  EXPECT_TRUE(limit.allow(5000));
  EXPECT_FALSE(limit.allow(5001));
  EXPECT_FALSE(limit.allow(10999));
  EXPECT_TRUE(limit.allow(11000)) << "the first two have left the window";
  EXPECT_TRUE(limit.allow(11000));
  EXPECT_FALSE(limit.allow(14999)) << "the one at 5000 is still inside";
  EXPECT_TRUE(limit.allow(15000));
}

} // namespace
