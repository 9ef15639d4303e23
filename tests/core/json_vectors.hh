// Lookups of one member or item of a JSON text, with what each must give: the value as written
// (null when nothing is found) and as parse_json_value returns it.
#ifndef TESTS_CORE_JSON_VECTORS_HH
#define TESTS_CORE_JSON_VECTORS_HH

#include <string>

struct json_vector {
  const char *name;
  std::string text;
  std::string key; // empty: look up the item at `index`
  int index;
  const char *written; // null: nothing found
  std::string decoded;
};

inline const json_vector json_vectors[] = {
    // Members by key.
    {"string member", R"({"id":"a1","method":"m","params":[1,2]})", "id", 0, R"("a1")", "a1"},
    {"array member", R"({"id":"a1","method":"m","params":[1,2]})", "params", 0, "[1,2]", "[1,2]"},
    {"missing member", R"({"id":"a1","method":"m","params":[1,2]})", "absent", 0, nullptr, ""},
    {"member of a nested object not taken", R"({"x":{"id":1},"id":2})", "id", 0, "2", "2"},
    {"member holding nested containers", R"({"o":{"a":[1,{"b":2}]}})", "o", 0,
     R"({"a":[1,{"b":2}]})", R"({"a":[1,{"b":2}]})"},
    {"first of duplicate keys", R"({"a":"b","b":"c","a":"d"})", "a", 0, R"("b")", "b"},
    {"value spelled like the key", R"({"a":"b","b":"c","a":"d"})", "b", 0, R"("c")", "c"},
    {"key that starts another key", R"({"idx":1,"id":2})", "id", 0, "2", "2"},
    {"escaped key compared as written", R"({"\u0069d":1,"id":2})", "id", 0, "2", "2"},
    {"key with an escaped quote", R"({"a\"b":3})", R"(a\"b)", 0, "3", "3"},
    {"empty object", "{}", "id", 0, nullptr, ""},
    {"white space around every token", " {\t\"a\" :\n[ 1 , 2 ]\r} ", "a", 0, "[ 1 , 2 ]",
     "[ 1 , 2 ]"},
    {"number ended by a space", R"({"n":12 })", "n", 0, "12", "12"},
    {"number ended by a tab", "{\"n\":12\t}", "n", 0, "12", "12"},
    {"number ended by a line feed", "{\"n\":12\n}", "n", 0, "12", "12"},
    {"number ended by a carriage return", "{\"n\":12\r}", "n", 0, "12", "12"},
    {"number ended by a comma", R"({"n":12,"m":1})", "n", 0, "12", "12"},
    {"number ended by a brace", R"({"n":12})", "n", 0, "12", "12"},
    {"number ended by a bracket", "[12]", "", 0, "12", "12"},
    {"true", R"({"t":true,"f":false,"z":null})", "t", 0, "true", "true"},
    {"false", R"({"t":true,"f":false,"z":null})", "f", 0, "false", "false"},
    {"null", R"({"t":true,"f":false,"z":null})", "z", 0, "null", "null"},
    {"number with fraction and exponent", R"({"x":-1.5e+10})", "x", 0, "-1.5e+10", "-1.5e+10"},
    {"string holding brackets", R"({"s":"[{]}","t":1})", "s", 0, R"("[{]}")", "[{]}"},
    {"member after a string holding brackets", R"({"s":"[{]}","t":1})", "t", 0, "1", "1"},
    {"member after an escaped quote", R"({"s":"\"]}","t":2})", "t", 0, "2", "2"},
    {"member after a string ending in a backslash", R"({"s":"a\\","t":3})", "t", 0, "3", "3"},
    {"key spelled inside a string value", R"({"a":"\"id\":5","id":6})", "id", 0, "6", "6"},

    // Items by index.
    {"first item", "[10,20,30]", "", 0, "10", "10"},
    {"middle item", "[10,20,30]", "", 1, "20", "20"},
    {"index past the last item", "[10,20,30]", "", 3, nullptr, ""},
    {"negative index", "[10,20,30]", "", -1, nullptr, ""},
    {"array item", R"(["a",["b"],{"c":1}])", "", 1, R"(["b"])", R"(["b"])"},
    {"object item", R"(["a",["b"],{"c":1}])", "", 2, R"({"c":1})", R"({"c":1})"},
    {"items of nested arrays not counted", "[[1,2],3]", "", 1, "3", "3"},
    {"object keys count as items", R"({"k":"v","k2":"v2"})", "", 2, R"("k2")", "k2"},
    {"empty array", "[]", "", 0, nullptr, ""},
    {"string alone has no items", R"("abc")", "", 0, nullptr, ""},
    {"number alone has no items", "5 ", "", 0, nullptr, ""},

    // Every escape; \u is found but not decoded.
    {"escaped quote", R"(["\""])", "", 0, R"("\"")", "\""},
    {"escaped backslash", R"(["\\"])", "", 0, R"("\\")", "\\"},
    {"escaped slash", R"(["\/"])", "", 0, R"("\/")", "/"},
    {"escaped backspace", R"(["\b"])", "", 0, R"("\b")", "\b"},
    {"escaped form feed", R"(["\f"])", "", 0, R"("\f")", "\f"},
    {"escaped line feed", R"(["a\nb"])", "", 0, R"("a\nb")", "a\nb"},
    {"escaped carriage return", R"(["\r"])", "", 0, R"("\r")", "\r"},
    {"escaped tab", R"(["\t"])", "", 0, R"("\t")", "\t"},
    {"all short escapes together", R"(["\"\\\/\b\f\r\t"])", "", 0, R"("\"\\\/\b\f\r\t")",
     "\"\\/\b\f\r\t"},
    {"unicode escape", R"(["\u0041"])", "", 0, R"("\u0041")", ""},
    {"unicode escaped surrogate pair", R"(["\ud83d\ude00"])", "", 0, R"("\ud83d\ude00")", ""},
    {"unicode escaped unpaired high surrogate", R"(["\uD800x"])", "", 0, R"("\uD800x")", ""},
    {"unicode escaped unpaired low surrogate", R"(["\udc00"])", "", 0, R"("\udc00")", ""},
    {"empty string", R"({"s":""})", "s", 0, R"("")", ""},
    {"UTF-8 text", "[\"\xD8\xB2\xF0\x9F\x98\x80\"]", "", 0, "\"\xD8\xB2\xF0\x9F\x98\x80\"",
     "\xD8\xB2\xF0\x9F\x98\x80"},
    {"noncharacter U+FFFF", "[\"\xEF\xBF\xBF\"]", "", 0, "\"\xEF\xBF\xBF\"", "\xEF\xBF\xBF"},
    {"noncharacter U+FDD0", "[\"\xEF\xB7\x90\"]", "", 0, "\"\xEF\xB7\x90\"", "\xEF\xB7\x90"},

    // Malformed before or inside the value: nothing is found.
    {"string cut off", R"({"s":"cut off)", "s", 0, nullptr, ""},
    {"number cut off at the end", R"({"n":12)", "n", 0, nullptr, ""},
    {"array cut off", R"({"a":[1,2)", "a", 0, nullptr, ""},
    {"raw tab in a string", "{\"s\":\"tab\there\"}", "s", 0, nullptr, ""},
    {"DEL in a string", "{\"s\":\"\x7F\"}", "s", 0, nullptr, ""},
    {"stray continuation byte in a string", "{\"s\":\"\x80\"}", "s", 0, nullptr, ""},
    {"lead byte without continuation", "{\"s\":\"\xC3(\"}", "s", 0, nullptr, ""},
    {"sequence cut off by the closing quote", "{\"s\":\"\xE2\x82\"}", "s", 0, nullptr, ""},
    {"unknown escape", R"({"s":"\x"})", "s", 0, nullptr, ""},
    {"escape cut off", "{\"s\":\"\\", "s", 0, nullptr, ""},
    {"value starting with an unknown byte", R"({"a":@})", "a", 0, nullptr, ""},
    {"fault before the member sought", R"({"a":@,"b":1})", "b", 0, nullptr, ""},
    {"empty text", "", "a", 0, nullptr, ""},
    {"bare words", "not json", "", 0, nullptr, ""},
};

#endif
