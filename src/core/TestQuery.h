#pragma once
// The columns of the main window's rows of a saved test, by position, and how the grid shows
// them. The rows are computed from the stored values in the unit system and rotor-bob variant
// in force (the formulas' constants are Units.h's; the query is the store's).

namespace viscora {

namespace col {
enum : int {
    Step = 0,
    Time = 1,
    Temperature = 2,
    ShearRate = 3,
    Speed = 4,
    ShearStress = 5,
    Viscosity = 6,
    Gel = 7,
    Rbfactor = 8,
    Dial = 9,
    Count = 10
};
}

// The grid masks of the formatted columns, empty for the columns shown as stored.
const char *gridMask(int column);

} // namespace viscora
