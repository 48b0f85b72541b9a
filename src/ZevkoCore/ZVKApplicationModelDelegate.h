#pragma once

#include <string>

// Receives the names of changed model properties.
class ZVKApplicationModelDelegate {
public:
    virtual ~ZVKApplicationModelDelegate() = default;
    virtual void modelPropertyChanged(const std::string& name) = 0;
};
