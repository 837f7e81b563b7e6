#pragma once

class SingleInstance;

// When another process already holds the instance name: tells the operator
// (a warning box titled "Error") and returns true; the caller then exits with -1.
bool refuseSecondInstance(const SingleInstance& instance);
