// Runs the engine on a builder-made FastFile in a temporary folder, as the worker does.
#pragma once

#include "asset_scan.h"
#include "fastfile_load.h"
#include "ff_builder.h"
#include "output_test_support.h"
#include "raw_export.h"
#include "zone_strings.h"

#include <gtest/gtest.h>

#include <atomic>

class ExtractionTest : public testing::Test {
protected:
    // Writes the archive as dir/name and runs every stage up to the files written.
    void Extract(const uint8_t version[4], const ffb::ZoneBuilder& builder, const std::string& name = "patch.ff")
    {
        ASSERT_TRUE(ffb::WriteFile(dir / name, ffb::FastFile(version, builder.Build())));
        ExtractWritten(name);
    }

    // Runs every stage on the archive dir/name, already written.
    void ExtractWritten(const std::string& name)
    {
        const std::string path = dir / name;
        zone.path = path;
        zone.name = name;
        zone.folder = dir.Path();
        ASSERT_EQ(LoadFastFile(zone), 0);
        ParseStrings(zone);
        ParseAssetTypes(zone);
        LocateFiles(zone);
        tally = WriteFiles(zone, request, &stop);
    }

    // A file in the archive's output folder of the last Extract.
    std::string Out(const std::string& relative) const { return dir / ("patch/" + relative); }

    testsupport::TempFolder dir;
    testsupport::LogCapture log;
    FFZone zone;
    ExportRequest request;  // of every Extract
    std::atomic<bool> stop{false};
    WriteTally tally;  // of the last Extract
};
