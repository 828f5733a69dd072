#pragma once
// The game-data stages of the subsystems above the shell, registered in the
// data pack's load order: 'CHQR' after the shell's fonts, then (as their
// loaders come) 'PROD', 'PLNT', 'BLDN', 'VLNS', 'COMX', 'LVLS', then 'BONS'.

void RegisterGameDataStages();
