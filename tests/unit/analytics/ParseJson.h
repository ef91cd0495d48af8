#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>

// A record or batch as the analytics client wrote it; a text that is not JSON fails the test.
inline Json::Value ParseJson(const std::string& text)
{
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text;
    return value;
}
