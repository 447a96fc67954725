#pragma once
// The last failure of a record, collection or service object. Descriptions
// read class name, ":", procedure, ":", message.
#include <cstdint>
#include <string>

// The program's own error numbers.
enum : int32_t {
    kErrSendFail = 9004,
    kErrRSNothing = 9015,
    kErrRSEOF = 9018,
    kErrItemNotFound = 9020,
    kErrRequestTimeout = 9024,
    kErrNoDefaultDB = 9032,
    kErrPOSReply = 9033,
};

class ErrorState {
  public:
    int32_t ErrNumber() const { return errNumber_; }
    const std::string& ErrDescription() const { return errDescription_; }

    void SetErr(int32_t number, const std::string& cls, const std::string& procedure,
                const std::string& message) {
        errNumber_ = number;
        errDescription_ = cls + ":" + procedure + ":" + message;
    }
    // Copies another object's failure as it stands.
    void CopyErr(int32_t number, const std::string& description) {
        errNumber_ = number;
        errDescription_ = description;
    }
    void ClearErr() {
        errNumber_ = 0;
        errDescription_.clear();
    }

  private:
    int32_t errNumber_ = 0;
    std::string errDescription_;
};
