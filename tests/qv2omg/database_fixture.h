#pragma once

// Real databases in temporary directories, read through the real library loaded from
// the program folder.

#include "omega/data_library.h"
#include "qv2omg/database_writer.h"
#include "qv2omg/db_format.h"
#include "case_name.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qv2omg_test {

namespace fs = std::filesystem;
using qv2omg::PriceRow;
using namespace test_support;

inline void Damage(const fs::path& path, const std::function<void(Bytes&)>& damage)
{
    Bytes bytes = ReadBytes(path);
    damage(bytes);
    WriteBytes(path, bytes);
}

inline void PutCount(Bytes& file, uint32_t count)
{
    for (int i = 0; i < 4; ++i)
        file[8 + i] = static_cast<uint8_t>(count >> (8 * i));
}

// Every file of a directory with its bytes: equal snapshots mean nothing changed.
inline std::map<std::string, Bytes> Snapshot(const fs::path& directory)
{
    std::map<std::string, Bytes> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
}

inline omega::DataLibrary& Library()
{
    static omega::DataLibrary library;
    if (!library.IsLoaded()) {
        const bool loaded = library.Load(QDir(TESSAPORT_PROGRAM_DIR).filePath(omega::DataLibrary::FileName()));
        EXPECT_TRUE(loaded) << library.ErrorString().toStdString();
    }
    return library;
}

inline OmegaDate Date(uint32_t yyyymmdd)
{
    return {static_cast<int32_t>(yyyymmdd / 100 % 100), static_cast<int32_t>(yyyymmdd % 100),
            static_cast<int32_t>(yyyymmdd / 10000) - 1900};
}

inline uint32_t Yyyymmdd(const OmegaDate& date)
{
    return static_cast<uint32_t>((date.year + 1900) * 10000 + date.month * 100 + date.day);
}

inline PriceRow Row(uint32_t date, float close = 10.0f)
{
    return {date, close - 1, close + 1, close - 2, close, 1000, 0};
}

class DatabaseTest : public testing::Test {
protected:
    void SetUp() override
    {
        dirText_ = Dir().string();
        ASSERT_TRUE(qv2omg::CreateDatabase(Dir()).IsOk());
    }

    fs::path Dir() const { return temp_ / "db"; }
    const char* DirText() const { return dirText_.c_str(); }  // as the library takes it

    void Add(const std::string& symbol, const std::vector<PriceRow>& rows, int16_t category = 0,
             int16_t period = 0, const std::string& description = {})
    {
        const qv2omg::Status status = qv2omg::AddSecurity(Dir(), {symbol, description, category, period, true}, rows);
        ASSERT_TRUE(status.IsOk()) << status.Message();
    }

    int16_t OpenData(const char* symbol, FileContext& context, uint32_t first = 19000101, uint32_t last = 20991231)
    {
        const OmegaDate from = Date(first), to = Date(last);
        return Library().OpenDataFile(DirText(), symbol, &from, &to, &context);
    }

    // The data file of the first security added.
    fs::path FirstDataFile() const { return Dir() / "d000001.omd"; }

    TempFolder temp_;
    std::string dirText_;
};

} // namespace qv2omg_test
