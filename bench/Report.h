#pragma once

// How serial_flood prints its figures.

#include <chrono>
#include <cstdint>

#include "CatBaseline.h"
#include "PhaseRunner.h"

void PrintFlood(const PhaseResult& flood);
void PrintRated(const PhaseResult& rated, double offeredMBps);
void PrintHighestSustained(double mbps, std::chrono::milliseconds caughtUpWithin);
void PrintDelay(const PhaseResult& paced, std::chrono::microseconds interval);
void PrintCat(const CatReport& cat, uint32_t lines);
