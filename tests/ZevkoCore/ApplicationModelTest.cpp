#include "ZevkoCore/ZVKApplicationModel.h"
#include "ZevkoCore/ZVKMD5.h"
#include "support/NoticeLog.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using testsupport::readText;
using testsupport::writeText;

// A model whose payload is one string, recording what it was asked to load.
class TextModel : public ZVKApplicationModel {
public:
    std::string saveToData() const override { return payload; }
    bool loadFromData(const std::string& text) override {
        loaded.push_back(text);
        payload = ZVKMD5ExtractDataFromString(text);
        return accept;
    }
    void storageWritten(const std::vector<std::string>& texts) override { stored = texts; }
    std::string payload;
    std::vector<std::string> loaded;
    std::vector<std::string> stored;
    bool accept = true;
};

using Recorder = testsupport::NoticeLog;
using Log = std::vector<std::string>;

// Delegates writing into one shared log.
struct ApplicationModelNotices : ::testing::Test {
    Log log;
    TextModel model;
    Recorder a{"a", log}, b{"b", log}, c{"c", log};
};

TEST_F(ApplicationModelNotices, BlocksDeliverEachNameOnceInFirstReportOrderWhenTheOuterCloses) {
    model.addDelegate(&a);

    model.beginChanges();
    model.propertyChanged("effect");
    model.propertyChanged("effect");
    model.propertyChanged("grid");
    EXPECT_TRUE(log.empty());
    model.endChanges();
    EXPECT_EQ(log, (Log{"a:effect", "a:grid"}));

    log.clear();
    model.beginChanges();
    model.beginChanges();
    model.propertyChanged("cropRect");
    model.propertyChanged("image");
    model.endChanges();
    model.propertyChanged("cropRect");
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(model.changingBlocksCount(), 1);
    model.endChanges();
    EXPECT_EQ(log, (Log{"a:cropRect", "a:image"}));

    // An unmatched close does nothing.
    log.clear();
    model.endChanges();
    EXPECT_EQ(model.changingBlocksCount(), 0);
    EXPECT_TRUE(log.empty());
    model.propertyChanged("x");
    model.propertyChanged("x");
    EXPECT_EQ(log, (Log{"a:x", "a:x"}));
}

// Outside a block each report, repeated or not, goes to every delegate in order.
TEST_F(ApplicationModelNotices, DelegatesAreToldAsOftenAsAddedAndRemovedEverywhere) {
    model.addDelegate(&a);
    model.addDelegate(&b);
    model.addDelegate(&a);
    model.propertyChanged("p");
    model.setApplicationName("Default Application Name");
    const std::string name = ZVKApplicationModel::kApplicationNameProperty;
    EXPECT_EQ(log, (Log{"a:p", "b:p", "a:p", "a:" + name, "b:" + name, "a:" + name}));
    model.removeDelegate(&a);
    log.clear();
    model.propertyChanged("q");
    EXPECT_EQ(log, Log{"b:q"});

    // A delegate removing itself while told does not derail delivery: b moves to its place
    // and is not told this time, but everything later.
    model.addDelegate(&a);
    a.react = [&](const std::string&) { model.removeDelegate(&a); };
    model.removeDelegate(&b);
    model.addDelegate(&b);
    log.clear();
    model.propertyChanged("p");
    model.propertyChanged("q");
    EXPECT_EQ(log, (Log{"a:p", "b:q"}));
}

TEST_F(ApplicationModelNotices, ADelegatesOwnChangeIsDeliveredToAllBeforeTheOuterDeliveryGoesOn) {
    a.react = [&](const std::string& name) {
        if (name == "effect") {
            model.propertyChanged("visibleToolbar");
        }
    };
    model.addDelegate(&a);
    model.addDelegate(&b);
    model.addDelegate(&c);
    model.propertyChanged("effect");
    EXPECT_EQ(log, (Log{"a:effect", "a:visibleToolbar", "b:visibleToolbar", "c:visibleToolbar",
                        "b:effect", "c:effect"}));
}

class ApplicationModelStorage : public testsupport::PlatformTest {
protected:
    std::string path() const { return *ZVKApplicationModel::storagePath(); }
    std::string backup() const { return path() + ".bak"; }
    static std::string framed(const std::string& payload) {
        return payload + ZVKMD5ForString(payload);
    }
};

TEST_F(ApplicationModelStorage, EverySaveKeepsTheSoundFileItReplacesAsTheBackup) {
    TextModel model;
    std::string before; // no backup before the first save
    for (const char* payload : {"one\n", "two\n", "three\n"}) {
        model.payload = payload;
        ASSERT_TRUE(model.saveToStorage());
        EXPECT_EQ(readText(path()), framed(payload));
        EXPECT_EQ(std::filesystem::exists(backup()) ? readText(backup()) : "", before);
        before = readText(path());
    }
    // The subclass hears which texts now hold state.
    EXPECT_EQ(model.stored, (Log{framed("three\n"), framed("two\n")}));

    // A damaged main file is never copied to the backup.
    writeText(path(), "garbage that is long enough to hold a digest.........");
    model.payload = "fresh\n";
    ASSERT_TRUE(model.saveToStorage());
    EXPECT_EQ(readText(backup()), framed("two\n"));
    EXPECT_EQ(readText(path()), framed("fresh\n"));
}

TEST_F(ApplicationModelStorage, EveryDamagedFormCountsAsAbsentAndTheBackupIsUsed) {
    const std::string payload = "main\n";
    const std::string notUtf8 = "\xff\xfe main\n";
    const std::vector<std::string> damaged = {
        "",                                           // empty
        "short",                                      // fewer than 32 characters
        payload + "7c897c2167f77748644493434066ae04", // lower-case digest
        payload + ZVKMD5ForString("other\n"),         // wrong digest
        notUtf8 + ZVKMD5ForString(notUtf8),           // right digest, but not UTF-8
    };
    for (const std::string& text : damaged) {
        writeText(path(), text);
        writeText(backup(), framed("backup\n"));
        TextModel model;
        EXPECT_FALSE(model.checkStorage(path()));
        EXPECT_TRUE(model.loadFromStorage());
        EXPECT_TRUE(model.restoredFromBackup());
        EXPECT_EQ(model.loaded, Log{framed("backup\n")});
        // The damaged file is put aside, where the next save cannot overwrite it.
        EXPECT_FALSE(std::filesystem::exists(path()));
        EXPECT_EQ(readText(path() + ".damaged"), text);
    }
}

TEST_F(ApplicationModelStorage, NoValidFileARefusedPayloadOrNoStorageNameLoadsNothing) {
    TextModel model;
    EXPECT_FALSE(model.loadFromStorage());
    EXPECT_TRUE(model.loaded.empty());

    writeText(path(), framed("refused\n"));
    writeText(backup(), "damaged");
    model.accept = false;
    EXPECT_FALSE(model.loadFromStorage());
    EXPECT_EQ(model.loaded, Log{framed("refused\n")});

    // A refused main file falls back to a valid backup.
    writeText(path(), framed("refused\n"));
    writeText(backup(), framed("older\n"));
    model.loaded.clear();
    EXPECT_FALSE(model.loadFromStorage());
    EXPECT_EQ(model.loaded, (Log{framed("refused\n"), framed("older\n")}));

    // Without a storage name nothing is written or read.
    std::filesystem::remove_all(documents);
    platform::Bundle::main().setInfoValue("StorageFileName", std::nullopt);
    model.payload = "x\n";
    EXPECT_FALSE(model.saveToStorage());
    EXPECT_FALSE(model.loadFromStorage());
    EXPECT_TRUE(!std::filesystem::exists(documents) || std::filesystem::is_empty(documents));
}

} // namespace
