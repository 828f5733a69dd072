#pragma once
// The villain kinds ('VLNS', sub-id 256): how each kind of villain looks,
// shoots, how much it takes to drive it off and what that pays.

#include "engine/LoaderState.h"
#include "farm/FarmRecords.h"
#include "farm/FarmResources.h"
#include "foundation/DataFile.h"

#include <cstdint>
#include <memory>
#include <vector>

struct VILLAININFO {
    VillainInfoRecord record;
    uint32_t sound = 0; // played when the villain arrives; 0 when not loaded
};

// Why a villain kind is refused at load; nullptr when it is sound.
const char* CheckVillainInfo(const VillainInfoRecord& record);

class VillainTable {
  public:
    // The resources outlive the table.
    explicit VillainTable(FarmResources* resources) : resources_(resources) {}

    int32_t Load(kis::DataFileReaderW* reader, LoaderState* state);
    // The kind with the id; null for id 0 or none.
    VILLAININFO* FindVillainInfo(uint32_t id) const;
    int32_t Count() const { return int32_t(infos_.size()); }
    VILLAININFO* Get(int32_t i) const { return infos_[size_t(i)].get(); }
    VILLAININFO* Add(const VillainInfoRecord& record);

  private:
    FarmResources* resources_; // not owned
    std::vector<std::unique_ptr<VILLAININFO>> infos_;
};
