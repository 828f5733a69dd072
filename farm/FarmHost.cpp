#include "farm/FarmHost.h"

#include "level/MapCharacter.h"

FarmHost* FarmHostOf(MapCharacter* character) {
    LevelServices* services = character ? character->Services() : nullptr;
    return dynamic_cast<FarmHost*>(services);
}
