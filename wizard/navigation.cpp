#include "wizard/navigation.h"

#include "startup/command_line.h"

namespace {
int AfterWelcomeOrLicense(int page, const PageChoice& c) {
  if (page == kWelcomePage && c.license) return kLicensePage;
  return c.readMe ? kReadMePage : kDestinationPage;
}
}  // namespace

NextResult NextFrom(int page, const PageChoice& choice, const std::wstring& destination) {
  switch (page) {
    case kWelcomePage:
    case kLicensePage:
      return {NextStep::kShowPage, AfterWelcomeOrLicense(page, choice)};
    case kReadMePage:
      return {NextStep::kShowPage, kDestinationPage};
    case kDestinationPage:
      if (!IsFullFolderPath(destination)) return {NextStep::kWarnUnusableDestination, page};
      if (choice.startMenu) return {NextStep::kShowPage, kGroupPage};
      return {NextStep::kInstall, kFinishPage};
    case kGroupPage:
      return {NextStep::kInstall, kFinishPage};
    default:
      return {NextStep::kNothing, page};
  }
}

int PreviousFrom(int page, const PageChoice& choice) {
  switch (page) {
    case kGroupPage: return kDestinationPage;
    case kDestinationPage:
      if (choice.readMe) return kReadMePage;
      return choice.license ? kLicensePage : kWelcomePage;
    case kReadMePage: return choice.license ? kLicensePage : kWelcomePage;
    case kLicensePage: return kWelcomePage;
    default: return -1;
  }
}
