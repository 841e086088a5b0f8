// The wizard's controls by number: the numbers of events, and those the
// install procedure uses (Cancel, Next, Previous, destination field, group
// field, status line, progress bar).
#pragma once

enum WizardControl : int {
  kCancelButton = 0,
  kNextButton = 1,
  kPreviousButton = 2,
  kSeparator = 3,
  kWebsiteLink = 4,
  kFinishButton = 5,
  // welcome page
  kWelcomeContainer = 10,
  kWelcomeBitmap = 11,
  kWelcomeWhite = 12,
  kWelcomeTitle = 13,
  kLegalNotice = 14,
  kWelcomeText = 15,
  // licence page
  kLicenseContainer = 50,
  kLicenseHeader = 51,
  kLicenseBox = 52,
  kLicenseText = 53,
  kLicenseLabel = 54,  // the page's title, unseen: the document's name for screen readers
  // read-me page
  kReadMeContainer = 100,
  kReadMeHeader = 101,
  kReadMeText = 102,
  kReadMeLabel = 103,  // the page's title, unseen: the document's name for screen readers
  // destination page
  kDestinationContainer = 150,
  kDestinationHeader = 151,
  kDestinationFrame = 152,
  kDestinationField = 153,
  kBrowseButton = 154,
  kAvailableSpace = 155,
  kRequiredSpace = 156,
  kDestinationIcon = 157,
  // Start-menu group page
  kGroupContainer = 200,
  kGroupHeader = 201,
  kGroupIcon = 202,
  kGroupText = 203,
  kGroupField = 204,
  kGroupOptOut = 205,
  kGroupList = 206,
  // installation page
  kInstallContainer = 250,
  kInstallHeader = 251,
  kInstallText = 252,
  kStatusLine = 253,
  kProgressBar = 254,
  kPassiveIcon = 255,  // the passive run's window shows the status line and bar with it
  // finish page
  kFinishContainer = 300,
  kFinishTitle = 301,
  kFinishText = 302,
  kFinishOptions = 303,
  kFinishBitmap = 304,
  kFinishWhite = 305,
};

constexpr int kPageContainers[7] = {kWelcomeContainer, kLicenseContainer, kReadMeContainer, kDestinationContainer,
                                    kGroupContainer,   kInstallContainer, kFinishContainer};
