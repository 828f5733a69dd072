#pragma once
// The level's game-data stages, registered in the data pack's load order:
// 'CHQR' after the shell's fonts and before the farm tables ('PROD', 'PLNT',
// 'BLDN', 'VLNS', whose building types name their animals), then 'COMX' and
// 'LVLS' as their loaders come, then 'BONS'.

void RegisterCharacterStage();
void RegisterBonusStage();
