// Quillon: plays RmvDelayCode.wcm from the application's folder on the current document.
#pragma once

// Works like clsRunMacro without reading a setting or checking that the file exists. No
// converter plays it: the delay codes it removes do not hinder publishing.
class RmvDelayCode final {
public:
    // True when the macro was played (and finished), false when an error was raised.
    bool RemoveDelayCode();
};
