#ifndef ZEL23_RECORDS_ACCESSORS_H
#define ZEL23_RECORDS_ACCESSORS_H

// Defines the accessor pair of one field: Class::Name() returning a
// modifiable reference and a constant one, both to the member Name_.
#define ZEL23_ACCESSOR(Class, Type, Name)                                                \
  Type& Class::Name() { return Name##_; }                                                \
  const Type& Class::Name() const { return Name##_; }

// The default, copy and assignment members every record class has.
#define ZEL23_VALUE_MEMBERS(Class)                                                       \
  Class::Class() = default;                                                              \
  Class::Class(const Class&) = default;                                                  \
  Class& Class::operator=(const Class&) = default;                                       \
  Class::~Class() = default;

// The line constructor: parses the line with the bus names of BName2BNum
// and ends the process through the fatal reporter when it fails.
#define ZEL23_LINE_CONSTRUCTOR(Class)                                                    \
  Class::Class(const std::string& line) {                                                \
    zel23::detail::exitOnFailure(zel23::detail::parseRecord(*this, line, BName2BNum));   \
  }

#endif
