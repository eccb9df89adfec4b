#ifndef ZKCP_ATTRIBUTE_ZKTHRESHOLD_H
#define ZKCP_ATTRIBUTE_ZKTHRESHOLD_H

class ZKAttribute;

// A condition that watches one or more attributes. Every typed value setter
// of a watched attribute calls check with the attribute, synchronously and
// in registration order. The count is the number of registrations; removing
// the last one deletes the threshold.
class ZKThreshold {
 public:
  ZKThreshold() : count(0) {}
  ZKThreshold(const ZKThreshold&) = default;
  ZKThreshold& operator=(const ZKThreshold&) = default;
  virtual ~ZKThreshold();

  // Re-examines `attribute`; the attribute ignores the result.
  virtual int check(ZKAttribute* attribute) = 0;

  int getCount() const { return count; }

 protected:
  // Appends this threshold to the attribute's list.
  void addThreshold(ZKAttribute* attribute);
  // Removes the first registration on the attribute and gives up one count;
  // after the last registration is gone the threshold no longer exists.
  void removeThreshold(ZKAttribute* attribute);

 private:
  void release();

  int count;
};

#endif
