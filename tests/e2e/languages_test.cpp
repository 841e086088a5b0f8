// The choice of a language: which localization files of a package are
// usable, the language window and its list, what each choice leads to, and
// how the files' texts reach the wizard.
#include <algorithm>
#include <utility>

#include "tests/driver/package_fixture.h"
#include "tests/e2e/e2e_support.h"

using drive::Icon;

namespace {

constexpr int kLanguageText = 2000, kLanguageCancel = 2001, kLanguageOk = 2002, kLanguageList = 2003;
constexpr int kWizardCancel = 0, kWelcomeTitle = 13;

// The fixed English texts of the language choice, shown before any
// localization file is read.
constexpr wchar_t kLanguageTitle[] = L"Language selection";
constexpr wchar_t kConfirmTitle[] = L"Please confirm";
constexpr wchar_t kConfirmStop[] =
    L"Are you sure you want to stop the installation now? Press 'No' to continue or 'Yes' to end this program. "
    L"You can run this installer at a later time and continue the installation procedure.";

// The texts of one localization file that the tests look at.
struct Texts {
  std::string language;  // as written after "Language ="
  std::string welcome;   // Key28
  std::string cancel;    // Key24
  std::string confirmTitle, confirmText;  // Key65, Key66
};

// Texts that tell the files apart: "<tag>: welcome ..." and so on.
Texts Tagged(const std::string& language, const std::string& tag) {
  return {language, tag + ": welcome to $APPNAME$ version $APPVERSION$.", tag + " cancel", tag + " confirm",
          tag + ": really quit?"};
}

std::string LocalizationFile(const Texts& t) {
  return "; written by the tests\r\n"
         "[TSF Localization File]\r\n"
         "Language = " + t.language + "\r\n"
         "Author = Tarnwick tests\r\n"
         "\r\n"
         "[LocalizationStub]\r\n"
         "Key0 = Error\r\n"
         "Key24 = " + t.cancel + "\r\n"
         "Key28 = " + t.welcome + "\r\n"
         "Key65 = " + t.confirmTitle + "\r\n"
         "Key66 = " + t.confirmText + "\r\n"
         "[LocalizationUninstall]\r\n"
         "0 = Please confirm\r\n";
}

// What a file read without the UTF-8 marker shows: every byte one character.
std::wstring Latin1(const std::string& bytes) {
  std::wstring out;
  for (unsigned char c : bytes) out += static_cast<wchar_t>(c);
  return out;
}

std::wstring Welcome(const std::string& key28) {
  std::wstring w = Widen(key28);
  for (const auto& [marker, value] : {std::pair<std::wstring, std::wstring>{L"$APPNAME$", L"Demo App"},
                                      std::pair<std::wstring, std::wstring>{L"$APPVERSION$", L"1.0"}})
    for (size_t at; (at = w.find(marker)) != std::wstring::npos;) w.replace(at, marker.size(), value);
  return w;
}

bool SameNameNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

}  // namespace

class Languages : public PackageTest {
 protected:
  // Writes Languages\<file> into the information folder.
  void AddFile(const std::wstring& file, const std::string& bytes) { Write(L"info\\Languages\\" + file, bytes); }
  void AddLanguage(const std::wstring& file, const Texts& t) { AddFile(file, LocalizationFile(t)); }
  // Files the setup stub must pass over: no header group (the Language key
  // stands in another group), and a blank Language.
  void AddUnusableFiles() {
    AddFile(L"NoHeader.ini",
            "[LocalizationProgramData]\r\nLanguage = Klingon\r\n[LocalizationStub]\r\nKey28 = never shown\r\n");
    AddFile(L"Blank.ini", "[TSF Localization File]\r\nLanguage =   \t \r\nAuthor = nobody\r\n"
                          "[LocalizationStub]\r\nKey28 = never shown\r\n");
    // A folder that matches the pattern is no localization file either.
    Write(L"info\\Languages\\Archive.ini\\Old.ini", LocalizationFile(Tagged("Archived", "archived")));
  }

  // The run's only work folder.
  std::wstring WorkFolder() {
    std::vector<std::wstring> folders = NewWorkFolders();
    EXPECT_EQ(folders.size(), 1u);
    return folders.empty() ? std::wstring() : TempFolder() + folders[0] + L"\\";
  }

  // The names of the extracted "*.ini" files, in the order the directory
  // listing of this machine gives them (the order the list must follow).
  std::vector<std::wstring> ListedFiles() {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((WorkFolder() + L"Information\\Languages\\*.ini").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return files;
  }

  // The language list the window must show: the usable files' names in
  // directory order, given the name that each file was written with.
  std::vector<std::wstring> ExpectedList(const std::vector<std::pair<std::wstring, std::wstring>>& usable) {
    std::vector<std::wstring> names;
    for (const std::wstring& file : ListedFiles())
      for (const auto& [name, language] : usable)
        if (SameNameNoCase(file, name)) names.push_back(language);
    EXPECT_EQ(names.size(), usable.size()) << "an extracted localization file is missing";
    return names;
  }

  HWND WaitLanguageWindow(const drive::Process& p) {
    HWND w = drive::WaitWindow(p, kLanguageTitle);
    EXPECT_NE(w, nullptr) << "no language window";
    return w;
  }

  // Chooses item `index` and presses OK.
  void Choose(HWND w, int index) {
    ASSERT_TRUE(drive::Select(w, kLanguageList, index));
    ASSERT_EQ(drive::Selected(w, kLanguageList), index);
    ASSERT_TRUE(drive::Click(w, kLanguageOk));
  }

  // The wizard must show these texts of the chosen file: the welcome title,
  // its Cancel button and its quit confirmation, which ends the run.
  void ExpectWizardIn(const drive::Process& p, const std::wstring& welcome, const std::wstring& cancel,
                      const std::wstring& confirmTitle, const std::wstring& confirmText) {
    HWND wizard = drive::WaitWindow(p, kDemoTitle);
    ASSERT_NE(wizard, nullptr) << "the wizard did not start";
    EXPECT_EQ(drive::WindowsOf(p.pid()).size(), 1u) << "another window beside the wizard";
    EXPECT_EQ(drive::Narrow(drive::Text(wizard, kWelcomeTitle)), drive::Narrow(welcome));
    EXPECT_EQ(drive::Narrow(drive::Text(wizard, kWizardCancel)), drive::Narrow(cancel));
    ASSERT_TRUE(drive::Click(wizard, kWizardCancel));
    EXPECT_MESSAGE(p, confirmTitle, confirmText, Icon::kError, IDYES);
    EXPECT_EQ(p.WaitExit(), 0u);
    EXPECT_TRUE(NewWorkFolders().empty()) << "the work folder was left behind";
  }
  // The same for a file read as UTF-8, with the markers filled in.
  void ExpectWizardIn(const drive::Process& p, const Texts& t) {
    ExpectWizardIn(p, Welcome(t.welcome), Widen(t.cancel), Widen(t.confirmTitle), Widen(t.confirmText));
  }
};

TEST_F(Languages, OneUsableFileStartsTheWizardWithoutAChoice) {
  // The header line carries trailing text, the group and key names are
  // written in other cases, the key has blanks around it, and a second
  // Key28 further down is ignored.
  const Texts german = Tagged("Deutsch", "Deutsch");
  AddFile(L"Deutsch.ini", "[TSF Localization File] = \r\n"
                          "  language   =   Deutsch   \r\n"
                          "[localizationstub]\r\n"
                          "KEY28   =   " + german.welcome + "   \r\n"
                          "key24=" + german.cancel + "\r\n"
                          "Key65 = " + german.confirmTitle + "\r\n"
                          "Key66 = " + german.confirmText + "\r\n"
                          "Key28 = the second Key28\r\n");
  AddUnusableFiles();
  drive::Process p = Launch(Build());
  ExpectWizardIn(p, german);
}

TEST_F(Languages, UsableFilesAreListedInDirectoryOrderWithEnglishPreselected) {
  const Texts english = Tagged("English", "English"), german = Tagged("Deutsch", "Deutsch"),
              french = Tagged("Fran\xC3\xA7" "ais", "Fran\xC3\xA7" "ais"), dutch = Tagged("Nederlands", "Nederlands");
  // The files' names run against the languages' names, so that a list in
  // alphabetical order of the languages cannot pass for the directory order.
  AddLanguage(L"Lang1.ini", dutch);
  Write(L"info\\Languages\\Lang2.ini", kBom + LocalizationFile(french));
  AddLanguage(L"Lang3.ini", english);
  AddLanguage(L"Lang4.ini", german);
  AddUnusableFiles();
  drive::Process p = Launch(Build());
  HWND w = WaitLanguageWindow(p);
  ASSERT_NE(w, nullptr);

  // A title bar without system menu or close box over a client area of 329 by 112.
  EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & WS_SYSMENU, 0);
  RECT client = {};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right - client.left, 329);
  EXPECT_EQ(client.bottom - client.top, 112);
  DWORD_PTR code = 0;
  EXPECT_TRUE(SendMessageTimeoutW(drive::Control(w, kLanguageOk), WM_GETDLGCODE, 0, 0, SMTO_NORMAL, 5000, &code));
  EXPECT_EQ(code & DLGC_DEFPUSHBUTTON, static_cast<DWORD_PTR>(DLGC_DEFPUSHBUTTON));
  EXPECT_EQ(drive::Narrow(drive::Text(w, kLanguageText)),
            "Please choose your language from the list below. The installation will continue with the selected "
            "language.");
  EXPECT_EQ(drive::Narrow(drive::Text(w, kLanguageCancel)), "Cancel");
  EXPECT_EQ(drive::Narrow(drive::Text(w, kLanguageOk)), "OK");
  const std::vector<std::wstring> expected = ExpectedList(
      {{L"Lang1.ini", L"Nederlands"}, {L"Lang2.ini", L"Fran\u00E7ais"}, {L"Lang3.ini", L"English"},
       {L"Lang4.ini", L"Deutsch"}});
  EXPECT_EQ(NarrowEach(drive::Items(w, kLanguageList)), NarrowEach(expected));
  const auto english_at = std::find(expected.begin(), expected.end(), L"English") - expected.begin();
  EXPECT_EQ(drive::Selected(w, kLanguageList), english_at);
  Screenshot(w, L"languages");

  const auto french_at = std::find(expected.begin(), expected.end(), L"Fran\u00E7ais") - expected.begin();
  Choose(w, static_cast<int>(french_at));
  ExpectWizardIn(p, french);
}

TEST_F(Languages, WithoutEnglishTheFirstItemIsPreselected) {
  // Names that merely contain "English" do not count.
  const Texts british = Tagged("English (UK)", "British"), german = Tagged("Deutsch", "Deutsch"),
              spanish = Tagged("Espa\xC3\xB1ol", "Espanol");
  Write(L"info\\Languages\\A.ini", kBom + LocalizationFile(spanish));
  AddLanguage(L"B.ini", german);
  AddLanguage(L"C.ini", british);
  drive::Process p = Launch(Build());
  HWND w = WaitLanguageWindow(p);
  ASSERT_NE(w, nullptr);
  const std::vector<std::wstring> expected = ExpectedList(
      {{L"C.ini", L"English (UK)"}, {L"B.ini", L"Deutsch"}, {L"A.ini", L"Espa\u00F1ol"}});
  EXPECT_EQ(NarrowEach(drive::Items(w, kLanguageList)), NarrowEach(expected));
  EXPECT_EQ(drive::Selected(w, kLanguageList), 0);

  // OK without touching the list takes the first item.
  ASSERT_TRUE(drive::Click(w, kLanguageOk));
  const Texts& first = expected[0] == L"English (UK)" ? british : expected[0] == L"Deutsch" ? german : spanish;
  ExpectWizardIn(p, first);
}

TEST_F(Languages, EnglishInAnyCaseCountsAsEnglish) {
  const Texts german = Tagged("Deutsch", "Deutsch"), english = Tagged("ENGLISH", "Upper");
  AddLanguage(L"Deutsch.ini", german);
  AddLanguage(L"Upper.ini", english);
  drive::Process p = Launch(Build());
  HWND w = WaitLanguageWindow(p);
  ASSERT_NE(w, nullptr);
  const std::vector<std::wstring> expected = ExpectedList({{L"Deutsch.ini", L"Deutsch"}, {L"Upper.ini", L"ENGLISH"}});
  EXPECT_EQ(NarrowEach(drive::Items(w, kLanguageList)), NarrowEach(expected));
  EXPECT_EQ(drive::Selected(w, kLanguageList), std::find(expected.begin(), expected.end(), L"ENGLISH") - expected.begin());
  ASSERT_TRUE(drive::Click(w, kLanguageOk));
  ExpectWizardIn(p, english);
}

TEST_F(Languages, SameNameInAnotherCaseLeadsToTheFirstMatchingFile) {
  // "english" has blanks around it in its file; they are not part of the name.
  AddLanguage(L"Three.ini", Tagged("Deutsch", "Deutsch"));
  const Texts one = Tagged("English", "One"), two = Tagged("  english  ", "Two");
  AddLanguage(L"One.ini", one);
  AddLanguage(L"Two.ini", two);
  const std::wstring package = Build();

  // Each of the two items in turn, one run each.
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    drive::Process p = Launch(package);
    HWND w = WaitLanguageWindow(p);
    ASSERT_NE(w, nullptr);
    const std::vector<std::wstring> expected =
        ExpectedList({{L"Three.ini", L"Deutsch"}, {L"One.ini", L"English"}, {L"Two.ini", L"english"}});
    ASSERT_EQ(NarrowEach(drive::Items(w, kLanguageList)), NarrowEach(expected));
    std::vector<int> englishItems;
    for (size_t i = 0; i < expected.size(); ++i)
      if (expected[i] != L"Deutsch") englishItems.push_back(static_cast<int>(i));
    ASSERT_EQ(englishItems.size(), 2u);
    // The later of the two is preselected.
    EXPECT_EQ(drive::Selected(w, kLanguageList), englishItems[1]);

    Choose(w, englishItems[run]);
    // Whichever was chosen, the file of the first of the two is taken.
    ExpectWizardIn(p, expected[englishItems[0]] == L"English" ? one : two);
  }
}

TEST_F(Languages, NoUsableFileIsReportedBeforeAnyWindow) {
  AddUnusableFiles();
  drive::Process p = Launch(Build());
  drive::MessageBoxInfo box = drive::WaitMessageBox(p);
  ASSERT_NE(box.window, nullptr) << "no message box appeared";
  EXPECT_EQ(drive::WindowsOf(p.pid()).size(), 1u) << "a window is shown beside the message";
  EXPECT_EQ(drive::Narrow(box.title), "Error");
  EXPECT_EQ(drive::Narrow(box.text), "This installer package is incomplete and/or corrupted.");
  EXPECT_STREQ(drive::IconName(box.icon), drive::IconName(Icon::kError));
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(drive::Answer(box, IDOK));
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_TRUE(NewWorkFolders().empty()) << "the work folder was left behind";
}

TEST_F(Languages, CancelAsksBeforeEndingTheRun) {
  AddLanguage(L"English.ini", Tagged("English", "English"));
  AddLanguage(L"Deutsch.ini", Tagged("Deutsch", "Deutsch"));
  drive::Process p = Launch(Build());
  HWND w = WaitLanguageWindow(p);
  ASSERT_NE(w, nullptr);
  const std::wstring work = WorkFolder();
  ASSERT_TRUE(FolderExists(work + L"Information\\Languages"));
  const std::vector<std::wstring> items = drive::Items(w, kLanguageList);

  // No: the window stays as it was, and so does the work folder. Cancel,
  // pressed again, is taken after the No: its question shows that the
  // first one was answered and the window went on.
  ASSERT_TRUE(drive::Click(w, kLanguageCancel));
  EXPECT_MESSAGE(p, kConfirmTitle, kConfirmStop, Icon::kError, IDNO);
  ASSERT_TRUE(drive::Click(w, kLanguageCancel));
  drive::MessageBoxInfo again = drive::WaitMessageBox(p);
  ASSERT_NE(again.window, nullptr) << "Cancel did not ask a second time";
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(drive::Items(w, kLanguageList), items);
  EXPECT_TRUE(FolderExists(work));

  // Yes: the run ends and takes its work folder with it.
  EXPECT_EQ(drive::Narrow(again.title), drive::Narrow(kConfirmTitle));
  EXPECT_EQ(drive::Narrow(again.text), drive::Narrow(kConfirmStop));
  EXPECT_STREQ(drive::IconName(again.icon), drive::IconName(Icon::kError));
  EXPECT_TRUE(drive::Answer(again, IDYES));
  EXPECT_EQ(p.WaitExit(), 0u);
  EXPECT_FALSE(FolderExists(work));
  EXPECT_TRUE(NewWorkFolders().empty());
}

TEST_F(Languages, TheUtf8MarkDecidesHowTheFileIsRead) {
  // Greek with the marker, Russian without it.
  const Texts greek = {"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC",  // Ελληνικά
                       "\xCE\x9A\xCE\xB1\xCE\xBB\xCF\x8E\xCF\x82 \xCE\xAE\xCF\x81\xCE\xB8\xCE\xB1\xCF\x84\xCE\xB5 "
                       "\xCF\x83\xCF\x84\xCE\xBF $APPNAME$ $APPVERSION$.",   // Καλώς ήρθατε στο ...
                       "\xCE\x86\xCE\xBA\xCF\x85\xCF\x81\xCE\xBF",             // Άκυρο
                       "\xCE\x95\xCF\x80\xCE\xB9\xCE\xB2\xCE\xB5\xCE\xB2\xCE\xB1\xCE\xAF\xCF\x89\xCF\x83\xCE\xB7",
                       "\xCE\x88\xCE\xBE\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82;"};   // Επιβεβαίωση, Έξοδος;
  const Texts russian = {"\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9",  // Русский
                         "\xD0\x94\xD0\xBE\xD0\xB1\xD1\x80\xD0\xBE \xD0\xBF\xD0\xBE\xD0\xB6\xD0\xB0\xD0\xBB\xD0\xBE"
                         "\xD0\xB2\xD0\xB0\xD1\x82\xD1\x8C: $APPNAME$ $APPVERSION$.",  // Добро пожаловать
                         "\xD0\x9E\xD1\x82\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0",            // Отмена
                         "\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4",                    // Выход
                         "\xD0\x92\xD1\x8B\xD0\xB9\xD1\x82\xD0\xB8?"};                 // Выйти?
  Write(L"info\\Languages\\Greek.ini", kBom + LocalizationFile(greek));
  Write(L"info\\Languages\\Russian.ini", LocalizationFile(russian));
  const std::wstring greekName = L"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC";
  ASSERT_EQ(Widen(greek.language), greekName);
  const std::wstring package = Build();

  for (bool chooseGreek : {true, false}) {
    SCOPED_TRACE(chooseGreek ? "Greek" : "Russian");
    drive::Process p = Launch(package);
    HWND w = WaitLanguageWindow(p);
    ASSERT_NE(w, nullptr);
    const std::vector<std::wstring> expected =
        ExpectedList({{L"Greek.ini", greekName}, {L"Russian.ini", Latin1(russian.language)}});
    ASSERT_EQ(NarrowEach(drive::Items(w, kLanguageList)), NarrowEach(expected));
    const bool greekFirst = expected[0] == greekName;
    Choose(w, chooseGreek == greekFirst ? 0 : 1);
    if (chooseGreek) {
      ExpectWizardIn(p, greek);
    } else {
      ExpectWizardIn(p, Latin1(russian.welcome.substr(0, russian.welcome.find('$'))) + L"Demo App 1.0.",
                     Latin1(russian.cancel), Latin1(russian.confirmTitle), Latin1(russian.confirmText));
    }
  }
}
