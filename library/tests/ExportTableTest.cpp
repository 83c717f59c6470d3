#include <dlfcn.h>
#include <gtest/gtest.h>

#include "corvane.h"

namespace {

TEST(ExportTable, OrdinalsNameTheirExports) {
  EXPECT_EQ(Cvn_ExportByOrdinal(1), reinterpret_cast<void*>(&Cvn_OpenSystem));
  EXPECT_EQ(Cvn_ExportByOrdinal(24), reinterpret_cast<void*>(&Cvn_AddTransponder));
  EXPECT_EQ(Cvn_ExportByOrdinal(57), reinterpret_cast<void*>(&Cvn_SearchChannel));
  EXPECT_EQ(Cvn_ExportByOrdinal(61), reinterpret_cast<void*>(&Cvn_UnRegisterDataPath));
  EXPECT_EQ(Cvn_ExportByOrdinal(0), nullptr);
  EXPECT_EQ(Cvn_ExportByOrdinal(62), nullptr);
}

TEST(ExportTable, EveryOrdinalIsADistinctExportedSymbol) {
  void* self = dlopen("libcorvane.so.2", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(self, nullptr);
  for (uint32_t ordinal = 1; ordinal <= 61; ++ordinal) {
    void* address = Cvn_ExportByOrdinal(ordinal);
    ASSERT_NE(address, nullptr) << ordinal;
    Dl_info info{};
    ASSERT_NE(dladdr(address, &info), 0) << ordinal;
    ASSERT_NE(info.dli_sname, nullptr) << ordinal;
    EXPECT_EQ(std::string(info.dli_sname).rfind("Cvn_", 0), 0u) << info.dli_sname;
    EXPECT_EQ(dlsym(self, info.dli_sname), address) << info.dli_sname;
    for (uint32_t other = 1; other < ordinal; ++other) EXPECT_NE(Cvn_ExportByOrdinal(other), address);
  }
  dlclose(self);
}

TEST(ExportTable, InternalSymbolsStayHidden) {
  void* self = dlopen("libcorvane.so.2", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(dlsym(self, "_ZN7corvane5traceEPKcz"), nullptr);
  dlclose(self);
}

}  // namespace
