// A small JSON reader for the structure report of the PDF tool: objects, arrays,
// strings (decoded to UTF-8), numbers, true, false and null.
#pragma once

#include <string>
#include <vector>

namespace reference {

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isString() const { return kind_ == Kind::String; }
    bool isNumber() const { return kind_ == Kind::Number; }
    bool isArray() const { return kind_ == Kind::Array; }
    bool isObject() const { return kind_ == Kind::Object; }

    const std::string& text() const { return text_; }   // a string's UTF-8 text
    double number() const { return number_; }
    // An array's items, or an object's member values (in the order of names()).
    const std::vector<JsonValue>& items() const { return items_; }
    const std::vector<std::string>& names() const { return names_; } // an object's member names
    // The member of an object (a null value when it is missing or this is no object).
    const JsonValue& operator[](const std::string& name) const;

    // Reads one value from the text (what follows it is ignored); false when the text
    // holds no complete value, nests deeper than a few hundred levels, or is broken.
    static bool parse(const std::string& text, JsonValue& value);

private:
    friend class JsonParser;
    Kind kind_ = Kind::Null;
    std::string text_;
    double number_ = 0;
    std::vector<JsonValue> items_;
    std::vector<std::string> names_;
};

} // namespace reference
