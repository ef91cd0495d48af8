#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qx_analytics {

namespace utils {
class ObjectNode;
}

// One typed analytics property value. Only the member that belongs to `type` is meaningful.
struct PropertyValue {
    enum class Type { Number = 0, Int = 1, String = 2, List = 3, DateTime = 4, Bool = 5, Object = 6 };

    Type type = Type::Number;
    double number = 0;
    int64_t integer = 0;
    std::string text;              // String: UTF-8 bytes
    std::vector<std::string> list; // List
    int64_t seconds = 0;           // DateTime: seconds since the Unix epoch ...
    int milliseconds = 0;          // ... and 0-999 milliseconds
    bool boolean = false;
    std::shared_ptr<const utils::ObjectNode> object; // Object

    static PropertyValue MakeNumber(double value);
    static PropertyValue MakeInt(int64_t value);
    static PropertyValue MakeString(std::string value);
    static PropertyValue MakeList(std::vector<std::string> value);
    static PropertyValue MakeDateTime(int64_t seconds, int milliseconds);
    static PropertyValue MakeBool(bool value);
    static PropertyValue MakeObject(const utils::ObjectNode& value);
};

} // namespace qx_analytics
