// A small JSON reader for tests: the whole text as a tree of values, numbers
// kept as their text so that tests can convert them exactly.
#pragma once

#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct Json {
  enum Type { Null, Bool, Number, String, Array, Object };
  Type type = Null;
  std::string text;  // a number's text or a string's value
  bool boolean = false;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json& operator[](const std::string& key) const {
    for (const auto& [k, v] : members) {
      if (k == key) return v;
    }
    throw std::runtime_error("no member " + key);
  }
  const Json& operator[](std::size_t i) const { return items.at(i); }
  std::size_t size() const { return type == Array ? items.size() : members.size(); }
};

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}

  Json document() {
    Json v = value();
    space();
    if (p_ != s_.size()) fail("text after the value");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("JSON at " + std::to_string(p_) + ": " + what);
  }
  void space() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }
  bool take(char c) {
    space();
    if (p_ < s_.size() && s_[p_] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("expected ") + c);
  }
  bool word(const char* w) {
    const std::string t(w);
    if (s_.compare(p_, t.size(), t) != 0) return false;
    p_ += t.size();
    return true;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (p_ < s_.size() && s_[p_] != '"') {
      char c = s_[p_++];
      if (c == '\\') {
        if (p_ >= s_.size()) fail("cut escape");
        c = s_[p_++];
        if (c == 'u') {
          out += static_cast<char>(std::stoi(s_.substr(p_, 4), nullptr, 16));
          p_ += 4;
          continue;
        }
        if (c == 'n') c = '\n';
        if (c == 't') c = '\t';
      }
      out += c;
    }
    expect('"');
    return out;
  }
  Json value() {
    space();
    Json v;
    if (p_ >= s_.size()) fail("end of text");
    const char c = s_[p_];
    if (c == '{') {
      ++p_;
      v.type = Json::Object;
      if (take('}')) return v;
      do {
        space();
        std::string key = string();
        expect(':');
        v.members.emplace_back(std::move(key), value());
      } while (take(','));
      expect('}');
    } else if (c == '[') {
      ++p_;
      v.type = Json::Array;
      if (take(']')) return v;
      do v.items.push_back(value());
      while (take(','));
      expect(']');
    } else if (c == '"') {
      v.type = Json::String;
      v.text = string();
    } else if (word("true")) {
      v.type = Json::Bool;
      v.boolean = true;
    } else if (word("false")) {
      v.type = Json::Bool;
    } else if (word("null")) {
      v.type = Json::Null;
    } else {
      v.type = Json::Number;
      const std::size_t start = p_;
      while (p_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[p_])) ||
                                std::string("+-.eE").find(s_[p_]) != std::string::npos))
        ++p_;
      if (p_ == start) fail("unexpected character");
      v.text = s_.substr(start, p_ - start);
    }
    return v;
  }

  const std::string& s_;
  std::size_t p_ = 0;
};

inline Json parse(const std::string& text) { return Parser(text).document(); }

}  // namespace testsupport
