#include "VkCInventoryAddress.h"

#include <algorithm>
#include <string>

#include "VkNInventoryIDs.h"

VkCInventoryAddress::VkCInventoryAddress(const VkCInventoryAddress& other) {
    assign(other.data(), other.size_);
}

VkCInventoryAddress::VkCInventoryAddress(VkCInventoryAddress&& other) noexcept
    : single_(other.single_), size_(other.size_), longer_(std::move(other.longer_)) {
    other.size_ = 0;
}

VkCInventoryAddress& VkCInventoryAddress::operator=(const VkCInventoryAddress& other) {
    if (this != &other) {
        assign(other.data(), other.size_);
    }
    return *this;
}

VkCInventoryAddress& VkCInventoryAddress::operator=(VkCInventoryAddress&& other) noexcept {
    if (this != &other) {
        single_ = other.single_;
        size_ = other.size_;
        longer_ = std::move(other.longer_);
        other.size_ = 0;
    }
    return *this;
}

void VkCInventoryAddress::assign(const Element* elements, size_t count) {
    if (count > 1) {
        std::unique_ptr<Element[]> copy = std::make_unique<Element[]>(count);
        std::copy(elements, elements + count, copy.get());
        longer_ = std::move(copy);
    } else {
        longer_.reset();
        if (count == 1) {
            single_ = elements[0];
        }
    }
    size_ = uint32_t(count);
}

bool VkCInventoryAddress::sameLongerPath(const VkCInventoryAddress& o) const {
    return std::equal(longer_.get(), longer_.get() + size_, o.longer_.get());
}

VkCInventoryAddress VkCInventoryAddress::operator[](uint32_t index) const {
    VkCInventoryAddress copy(*this);
    if (copy.size_ == 1) {
        copy.single_.index = index;
    } else if (copy.size_ > 1) {
        copy.longer_[copy.size_ - 1].index = index;
    }
    return copy;
}

VkCInventoryAddress VkCInventoryAddress::operator/(const VkCInventoryAddress& tail) const {
    if (tail.size_ == 0) {
        return *this;
    }
    if (size_ == 0) {
        return tail;
    }
    VkCInventoryAddress joined;
    joined.size_ = size_ + tail.size_;
    joined.longer_ = std::make_unique<Element[]>(joined.size_);
    std::copy(tail.data(), tail.data() + tail.size_,
              std::copy(data(), data() + size_, joined.longer_.get()));
    return joined;
}

VkCString VkCInventoryAddress::getCategoryName() const {
    const char* name = VkNInventoryIDs::Map.get(getCategory());
    return VkCString(name ? name : "");
}

VkCInventoryAddress VkCInventoryAddress::getLastElement() const {
    if (size_ == 0) {
        return VkCInventoryAddress();
    }
    return VkCInventoryAddress(getCategory(), getIndex());
}

VkCString VkCInventoryAddress::toString() const {
    std::string text;
    for (const Element& element : elements()) {
        if (!text.empty()) {
            text += '/';
        }
        const char* name = VkNInventoryIDs::Map.get(element.category);
        text += name ? name : std::to_string(element.category);
        if (element.index != 1) {
            text += '[' + std::to_string(element.index) + ']';
        }
    }
    return VkCString(text);
}
