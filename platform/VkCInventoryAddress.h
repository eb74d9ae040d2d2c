#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "VkCString.h"
#include "VkPlatformApi.h"

// An inventory address: a path of (category, index) elements from the root of a tree.
class VK_PLATFORM_API VkCInventoryAddress {
  public:
    struct Element {
        uint32_t category;
        uint32_t index;
        bool operator==(const Element& o) const {
            return category == o.category && index == o.index;
        }
    };

    // The elements of an address, read-only, valid while the address is unchanged.
    class Elements {
      public:
        Elements(const Element* data, size_t size) : data_(data), size_(size) {}

        const Element* begin() const { return data_; }
        const Element* end() const { return data_ + size_; }
        size_t size() const { return size_; }
        bool empty() const { return size_ == 0; }
        const Element& operator[](size_t i) const { return data_[i]; }
        const Element& front() const { return data_[0]; }
        const Element& back() const { return data_[size_ - 1]; }
        operator std::vector<Element>() const { return std::vector<Element>(begin(), end()); }

      private:
        const Element* data_;
        size_t size_;
    };

    VkCInventoryAddress() = default;
    VkCInventoryAddress(uint32_t category, uint32_t index) : single_{category, index}, size_(1) {}
    VkCInventoryAddress(const VkCInventoryAddress& other);
    VkCInventoryAddress(VkCInventoryAddress&& other) noexcept;
    VkCInventoryAddress& operator=(const VkCInventoryAddress& other);
    VkCInventoryAddress& operator=(VkCInventoryAddress&& other) noexcept;
    ~VkCInventoryAddress() = default;

    bool operator==(const VkCInventoryAddress& o) const {
        if (size_ != o.size_) {
            return false;
        }
        return size_ > 1 ? sameLongerPath(o) : size_ == 0 || single_ == o.single_;
    }
    bool operator!=(const VkCInventoryAddress& o) const { return !(*this == o); }
    // The same address with the index of its last element set.
    VkCInventoryAddress operator[](uint32_t index) const;
    // Path concatenation: PRODUCT / BOARD_TYPE.
    VkCInventoryAddress operator/(const VkCInventoryAddress& tail) const;

    uint32_t getCategory() const { return size_ == 0 ? 0 : data()[size_ - 1].category; }
    uint32_t getIndex() const { return size_ == 0 ? 0 : data()[size_ - 1].index; }
    // The predefined name of the last element's category, empty for other categories.
    VkCString getCategoryName() const;
    VkCInventoryAddress getLastElement() const;
    // "ROOT/HCN/SUB_BOARDS/ION[2]": names (or numbers), "[n]" when the index is not 1.
    VkCString toString() const;

    bool isEmpty() const { return size_ == 0; }
    Elements elements() const { return Elements(data(), size_); }

  private:
    // Every node of an inventory tree has a one-element ID: that element is kept in place, so
    // that such an address needs no memory of its own. Longer paths are kept in longer_.
    const Element* data() const { return size_ > 1 ? longer_.get() : &single_; }
    void assign(const Element* elements, size_t count);
    bool sameLongerPath(const VkCInventoryAddress& o) const;

    Element single_{0, 0};
    uint32_t size_ = 0;
    std::unique_ptr<Element[]> longer_;
};
