// Runs the engine on a builder-made FastFile in a temporary folder, as the worker does.
#pragma once

#include "asset_scan.h"
#include "fastfile_load.h"
#include "ff_builder.h"
#include "output_test_support.h"
#include "raw_export.h"
#include "string_table.h"
#include "zone_strings.h"

#include <gtest/gtest.h>

class ExtractionTest : public testing::Test {
protected:
    // Writes the archive as dir/name and runs every stage up to the files written.
    void Extract(const uint8_t version[4], const ffb::ZoneBuilder& builder, const std::string& name = "patch.ff")
    {
        std::string path = dir / name;
        ASSERT_TRUE(ffb::WriteFile(path, ffb::FastFile(version, builder.Build())));
        zone.path = path;
        zone.name = name;
        zone.folder = dir.Path();
        ASSERT_EQ(LoadFastFile(zone), 0);
        ParseStrings(zone);
        ParseAssetTypes(zone);
        LocateFiles(zone);
        WriteFiles(zone);
    }

    // A file in the archive's output folder of the last Extract.
    std::string Out(const std::string& relative) const { return dir / ("patch/" + relative); }

    testsupport::TempFolder dir;
    testsupport::LogCapture log;
    FFZone zone;
};
