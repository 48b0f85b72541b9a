#include "Pixello/PixelloKernel.h"

PixelloKernel::~PixelloKernel() {
    if (model_) {
        model_->saveToStorage();
    }
}

void PixelloKernel::terminate() {
    if (model_) {
        model_->saveToStorage();
    }
}

void PixelloKernel::createModel() {
    model_ = std::make_unique<PixelloModel>();
    // No delegate is registered yet: what loading reports reaches nobody.
    model_->loadFromStorage();
}
