#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <atomic>
#include <set>
#include <thread>

#include "app/demo_shop.h"
#include "common/clock.h"
#include "common/file_write.h"
#include "generator/generation.h"
#include "shopdb/olp_key_codec.h"
#include "publish/ftp_test_servers.h"
#include "common/fingerprint.h"
#include "publish/ftp_tls.h"
#include "publish/shop_script_writer.h"
#include "publish/upload_driver.h"
#include "shopdb/changed_flag.h"
#include "shopdb/recordsets.h"
#include "shopdb/schema_builder.h"
#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using test::FtpTestServer;

const std::vector<std::string> kScripts = {"catalog.cgi", "order.cgi",  "webcode.pm", "product.pm",
                                           "sales.pm",    "olpcnf.pm",  "Payvane.pm"};

class RecordingObserver : public UploadObserver {
 public:
  void UpdateLastFtp(std::time_t t) override { lastFtp.push_back(t); }
  void BrowseNewShop(const std::string& url) override { urls.push_back(url); }
  void EnableGenerate(bool enable) override { generate.push_back(enable); }
  void CertificateNotTrusted(const UntrustedCertificate& c) override { certificates.push_back(c); }
  void Clear() { *this = RecordingObserver(); }
  std::vector<std::time_t> lastFtp;
  std::vector<std::string> urls;
  std::vector<bool> generate;
  std::vector<UntrustedCertificate> certificates;
};

class RecordingProgress : public ProgressSink {
 public:
  void SetProgress(int low, int high, int position) override {
    this->high = high;
    this->position = position;
    (void)low;
    if (onProgress) onProgress(position);
  }
  int high = 0, position = 0;
  std::function<void(int)> onProgress;
};

std::time_t Now() { return std::time(nullptr); }

void SetFileTime(const fs::path& file, std::time_t t) {
  fs::last_write_time(file, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)));
}

class UploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VENDORA_HOME", (dir_ / "program").c_str(), 1);
    DemoShopOptions options;
    options.products = 20;  // the 17th is withheld: its picture is on a keep list
    options.pictures = 4;
    dbPath_ = CreateDemoShop(dir_ / "shop", options).value();
    db_.Open(dbPath_);
    paths_ = DeriveShopPaths(dbPath_);
    pageLog_.AddSink(&lines_);
    generator_ = std::make_unique<ShopGenerator>(db_, paths_, pageLog_, prompter_, clock_);
    // The entry page as the last step of the chain writes it.
    generator_->Chain().push_back({"entry page", [](RunContext& run) {
                                     run.log.Step();
                                     return ReplaceFileContent(run.paths.folder / run.settings.server.startPage,
                                                               "<HTML><BODY>Eingang</BODY></HTML>\n");
                                   }});
  }
  void TearDown() override { unsetenv("VENDORA_HOME"); }

  void UseServer(const FtpTestServer& server, bool passive, const std::string& shopDir, const std::string& scriptDir,
                 bool tls = false) {
    CRecSetFtpServer ftp(db_);
    ftp.Open();
    ftp.Edit();
    ftp->HostName = "127.0.0.1";
    ftp->HostPort = server.Port();
    ftp->HostUser = server.User();
    ftp->HostPass = ScrambleSecret(server.Password());
    ftp->ProxyType = 0;
    ftp->RemoteDir = shopDir;
    ftp->RemoteScript = scriptDir;
    ftp->Passive = passive;
    ftp->Protocol = tls ? kProtocolFtps : kProtocolFtp;
    ftp.Update();
  }

  // Relative folders: an SFTP session starts in the server's root folder.
  void UseSftp(const test::SshdTestServer& server, const std::string& password) {
    CRecSetFtpServer ftp(db_);
    ftp.Open();
    ftp.Edit();
    ftp->HostName = "127.0.0.1";
    ftp->HostPort = 21;
    ftp->SftpPort = server.Port();
    ftp->HostUser = server.User();
    ftp->HostPass = ScrambleSecret(password);
    ftp->ProxyType = 3;  // no meaning for SFTP
    ftp->RemoteDir = "shop/";
    ftp->RemoteScript = "cgi-bin";
    ftp->Protocol = kProtocolSftp;
    ftp.Update();
  }
  std::unique_ptr<UploadDriver> SftpDriver(const test::SshdTestServer& server, int timeoutSeconds = 20) {
    FtpClientOptions options;
    options.sshDir = server.ClientDir();
    options.timeoutSeconds = timeoutSeconds;
    return Driver(options);
  }
  // Every part file left anywhere below the folder.
  static std::vector<std::string> PartFiles(const fs::path& root) {
    std::vector<std::string> parts;
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.path().filename().string().starts_with("vendora-part~")) parts.push_back(e.path().string());
    return parts;
  }

  // Generates and dates every file of the shop an hour back, as if generated earlier.
  void GenerateAged() {
    SetDatabaseChanged(true);
    ASSERT_TRUE(generator_->Run()) << Lines();
    for (const auto& e : fs::recursive_directory_iterator(paths_.folder))
      if (e.is_regular_file()) SetFileTime(e.path(), Now() - 3600);
  }

  std::unique_ptr<UploadDriver> Driver(FtpClientOptions options = {}, bool fileLog = false) {
    if (options.timeoutSeconds == FtpClientOptions().timeoutSeconds) options.timeoutSeconds = 20;
    return std::make_unique<UploadDriver>(UploadSetup{db_, paths_.folder, *generator_, prompter_, clock_, pageLog_,
                                                      observer_, MakeShopScriptWriter, {&lines_}, &progress_, fileLog,
                                                      paths_.logFile, paths_.sentRecord, options});
  }

  bool Publish(UploadDriver& driver, TransferMethod method = TransferMethod::Update, bool dryRun = false) {
    observer_.Clear();
    lines_.lines.clear();
    if (!driver.Start(method, dryRun)) return false;
    driver.Wait();
    return driver.Succeeded();
  }

  // The files a publish sends: relative paths of the transfer sets of the seven folders.
  std::vector<std::string> TransferFiles() const {
    std::vector<std::string> files;
    for (int k = 0; k < 7; ++k)
      for (const auto& [name, entry] : generator_->LastRun()->files.Publish(static_cast<ShopSubfolder>(k)))
        files.push_back(entry.Path(name));
    return files;
  }

  static std::set<std::string> Set(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }
  std::set<std::string> Expected(const std::string& scriptDir, const std::string& shopDir,
                                 const std::vector<std::string>& shopFiles) const {
    std::set<std::string> s;
    for (const auto& name : kScripts) s.insert(scriptDir + name);
    s.insert(shopDir + "index.html");
    for (const auto& f : shopFiles) s.insert(shopDir + f);
    return s;
  }
  std::string Lines() const {
    std::string all;
    for (const auto& l : lines_.lines) all += l + "\n";
    return all;
  }
  bool Logged(const std::string& part) const {
    return std::any_of(lines_.lines.begin(), lines_.lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }

  test::TempDir dir_;
  fs::path dbPath_;
  ShopDatabase db_;
  ShopPaths paths_;
  GenerationLog pageLog_;
  MemoryLogSink lines_;
  RecordingProgress progress_;
  RecordingObserver observer_;
  test::ScriptedPrompter prompter_;
  SystemClock clock_;
  std::unique_ptr<ShopGenerator> generator_;
};

// The whole life of a published shop on one server: created level by level, sent
// whole, then only what changed; stale files deleted, kept ones left, the dry run
// telling exactly what the next publish does.
TEST_F(UploadTest, PublishingKeepsTheServerInStepWithTheShop) {
  std::unique_ptr<FtpTestServer> server = test::StartPyftpdlib(dir_ / "ftp");
  ASSERT_NE(server, nullptr);
  UseServer(*server, true, "/www/shop/", "/cgi-bin/");
  GenerateAged();
  const fs::path remote = server->Root() / "www" / "shop";
  auto driver = Driver();
  ASSERT_EQ(driver->ButtonCaption(), "&Publizieren");

  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_EQ(Set(server->Uploads()), Expected("/cgi-bin/", "/www/shop/", TransferFiles()));
  EXPECT_EQ(observer_.generate, (std::vector<bool>{false, true}));
  ASSERT_EQ(observer_.lastFtp.size(), 1u);
  EXPECT_EQ(observer_.urls, std::vector<std::string>{"http://localhost:8080/index.html"});
  EXPECT_EQ(driver->LastTransferTime(), observer_.lastFtp[0]);
  // "/www/shop/" did not exist: www made in the root, then shop in www.
  const auto mkdWww = std::find(lines_.lines.begin(), lines_.lines.end(), "Sending MKD www");
  const auto mkdShop = std::find(lines_.lines.begin(), lines_.lines.end(), "Sending MKD shop");
  EXPECT_TRUE(mkdWww < mkdShop && mkdShop != lines_.lines.end());
  for (const char* name : {"catalog.cgi", "order.cgi", "webcode.pm"}) {
    struct stat st {};
    ASSERT_EQ(stat((server->Root() / "cgi-bin" / name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & 0777, std::string(name).ends_with(".cgi") ? 0755u : 0644u) << name;
  }
  EXPECT_EQ(test::ReadFileBytes(remote / "data" / "product.toc"),
            test::ReadFileBytes(paths_.folder / "data" / "product.toc"));
  EXPECT_FALSE(fs::exists(paths_.folder / "cgi" / "catalog.cgi")) << "the sent scripts are not kept locally";
  EXPECT_GE(progress_.position, progress_.high);
  EXPECT_EQ(StoreLastTransferTime(db_, observer_.lastFtp[0], prompter_), true);

  // A stale file on the server goes; a picture of a withheld product stays.
  const auto& keep = generator_->LastRun()->files.Unused(ShopSubfolder::Prods);
  ASSERT_FALSE(keep.empty());
  const std::string kept = keep.begin()->first;
  test::WriteFileBytes(remote / "prods" / kept, "zurückgehalten");
  test::WriteFileBytes(remote / "imgs" / "alt.gif", "veraltet");
  test::WriteFileBytes(remote / "imgs" / "mein bild.gif", "veraltet");
  // A name that is no plain file name is never deleted; a folder is not removed.
  test::WriteFileBytes(remote / "imgs" / "a\\b.gif", "x");
  fs::create_directories(remote / "imgs" / "sub");
  server->MarkLog();

  // Generated again without a change to the shop: the files are new, their content is
  // not; only the scripts and the entry page go, and the bar still ends.
  SetDatabaseChanged(true);
  ASSERT_TRUE(generator_->Run());
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_EQ(Set(server->Uploads()), Expected("/cgi-bin/", "/www/shop/", {}));
  EXPECT_EQ(Set(server->Deletes()), (std::set<std::string>{"/www/shop/imgs/alt.gif", "/www/shop/imgs/mein bild.gif"}));
  EXPECT_TRUE(fs::exists(remote / "prods" / kept));
  EXPECT_TRUE(fs::exists(remote / "imgs" / "a\\b.gif"));
  EXPECT_TRUE(Logged("\"a\\b.gif\" im Verzeichnis \"imgs\" ist keine einfache Datei und wird nicht gelöscht."));
  EXPECT_GE(progress_.position, progress_.high);

  // A picture replaced since: it goes again. The dry run first tells exactly that.
  const fs::path picture = paths_.folder / TransferFiles().front();
  test::WriteFileBytes(picture, test::ReadFileBytes(picture) + "neu");
  SetFileTime(picture, Now() + 5);
  test::WriteFileBytes(remote / "thumbs" / "verwaist.jpg", "x");
  server->MarkLog();
  const std::time_t before = driver->LastTransferTime();
  ASSERT_TRUE(Publish(*driver, TransferMethod::Update, true)) << Lines();
  EXPECT_TRUE(server->Uploads().empty() && server->Deletes().empty()) << "a dry run changes nothing";
  EXPECT_TRUE(observer_.lastFtp.empty() && observer_.urls.empty());
  EXPECT_EQ(driver->LastTransferTime(), before);
  std::set<std::string> planned{"/www/shop/index.html"}, plannedDeletes;
  const PublishPlan& plan = driver->Plan();
  EXPECT_EQ(plan.scripts, kScripts);
  for (const auto& folder : plan.folders)
    for (const SyncStep& step : folder.steps) {
      if (step.action == SyncAction::Send) planned.insert("/www/shop/" + step.localPath);
      if (step.action == SyncAction::Delete) plannedDeletes.insert("/www/shop/" + folder.name + "/" + step.name);
    }
  EXPECT_EQ(planned, (std::set<std::string>{"/www/shop/index.html", "/www/shop/" + TransferFiles().front()}));

  ASSERT_TRUE(Publish(*driver)) << Lines();
  std::set<std::string> sent = Set(server->Uploads());
  for (const auto& name : kScripts) sent.erase("/cgi-bin/" + name);
  EXPECT_EQ(sent, planned);
  EXPECT_EQ(Set(server->Deletes()), plannedDeletes);
  EXPECT_EQ(plannedDeletes, std::set<std::string>{"/www/shop/thumbs/verwaist.jpg"});
  EXPECT_TRUE(fs::is_directory(remote / "imgs" / "sub"));

  // A file changed on the server with its size kept, older than the last transfer
  // locally: the record no longer vouches for it, so the next update repairs it.
  const fs::path config = remote / "data" / "config.cnf";
  std::string damaged = test::ReadFileBytes(config);
  ASSERT_GT(damaged.size(), 10u);
  damaged[damaged.size() - 5] = damaged[damaged.size() - 5] == 'X' ? 'Y' : 'X';
  test::WriteFileBytes(config, damaged);
  SetFileTime(config, Now() - 7200);
  server->MarkLog();
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_EQ(Set(server->Uploads()).count("/www/shop/data/config.cnf"), 1u);
  EXPECT_EQ(test::ReadFileBytes(config), test::ReadFileBytes(paths_.folder / "data" / "config.cnf"));
}

// A file the server refuses fails the run, names the file, keeps the time of the last
// transfer and is sent by the next update; the rest of the shop still goes.
TEST_F(UploadTest, AFailedFileFailsTheRunAndGoesAgainWithTheNextUpdate) {
  std::unique_ptr<FtpTestServer> server = test::StartPyftpdlib(dir_ / "ftp");
  ASSERT_NE(server, nullptr);
  UseServer(*server, true, "/shop/", "/cgi-bin/");
  GenerateAged();
  const fs::path remote = server->Root() / "shop";
  fs::create_directories(remote / "data" / "product.toc" / "ordner");  // no file can be stored there
  fs::create_directories(remote / "imgs");
  test::WriteFileBytes(remote / "imgs" / "alt.gif", "veraltet");
  auto driver = Driver();
  const std::time_t before = driver->LastTransferTime();
  EXPECT_FALSE(Publish(*driver));
  EXPECT_TRUE(Logged("Die Datei \"data/product.toc\" wurde nicht übertragen: ")) << Lines();
  EXPECT_TRUE(Logged("Die Veröffentlichung ist fehlgeschlagen; nicht übertragen: 1 Datei(en)."));
  EXPECT_TRUE(observer_.lastFtp.empty() && observer_.urls.empty()) << "no success, no browser";
  EXPECT_EQ(driver->LastTransferTime(), before);
  EXPECT_EQ(test::ReadFileBytes(remote / "data" / "items.toc"), test::ReadFileBytes(paths_.folder / "data" / "items.toc"));
  // What the old data may still name stays until everything arrived; the refused
  // file's part goes at once.
  EXPECT_EQ(server->Deletes(), std::vector<std::string>{"/shop/data/vendora-part~product.toc"});
  EXPECT_TRUE(fs::exists(remote / "imgs" / "alt.gif"));
  EXPECT_TRUE(PartFiles(server->Root()).empty());

  fs::remove_all(remote / "data" / "product.toc");
  server->MarkLog();
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_EQ(server->Deletes(), std::vector<std::string>{"/shop/imgs/alt.gif"});
  EXPECT_EQ(Set(server->Uploads()).count("/shop/data/product.toc"), 1u);
  EXPECT_EQ(test::ReadFileBytes(remote / "data" / "product.toc"),
            test::ReadFileBytes(paths_.folder / "data" / "product.toc"));
}

// Every server and data-connection mode: a first publish sends all, a second only
// the scripts and the entry page.
TEST_F(UploadTest, EveryServerInPassiveAndActiveMode) {
  GenerateAged();
  for (const bool vsftpd : {false, true}) {
    for (const bool passive : {true, false}) {
      SCOPED_TRACE(std::string(vsftpd ? "vsftpd" : "pyftpdlib") + (passive ? " passive" : " active"));
      const fs::path serverDir = dir_ / (std::string(vsftpd ? "vs" : "py") + (passive ? "p" : "a"));
      std::unique_ptr<FtpTestServer> server = vsftpd ? test::StartVsftpd(serverDir) : test::StartPyftpdlib(serverDir);
      ASSERT_NE(server, nullptr);
      const std::string base = server->WritableBase();
      UseServer(*server, passive, base + "shop", base + "cgi-bin/");
      auto driver = Driver();
      ASSERT_TRUE(Publish(*driver, TransferMethod::WholeShop)) << Lines();
      EXPECT_EQ(Set(server->Uploads()), Expected(base + "cgi-bin/", base + "shop/", TransferFiles()));
      server->MarkLog();
      ASSERT_TRUE(Publish(*driver)) << Lines();
      EXPECT_EQ(Set(server->Uploads()), Expected(base + "cgi-bin/", base + "shop/", {}));
    }
  }
}

// Only a certificate that is verified, or one the merchant trusted by its
// fingerprint, is accepted; then logon and data go through TLS in both modes.
TEST_F(UploadTest, FtpsAcceptsVerifiedOrTrustedCertificatesOnly) {
  GenerateAged();
  const fs::path selfSigned = dir_ / "self.pem", selfKey = dir_ / "self.key";
  ASSERT_TRUE(test::MakeSelfSignedCertificate(selfSigned, selfKey));
  const test::VsftpdTls self{selfSigned, selfKey};
  std::unique_ptr<FtpTestServer> server = test::StartVsftpd(dir_ / "self", &self);
  ASSERT_NE(server, nullptr);
  UseServer(*server, true, "/pub/shop/", "/pub/cgi-bin/", true);
  auto driver = Driver();
  EXPECT_FALSE(Publish(*driver));
  EXPECT_TRUE(server->Uploads().empty());
  EXPECT_TRUE(Logged("Das Zertifikat des FTP-Servers \"127.0.0.1\" ist nicht vertrauenswürdig. Das Zertifikat ist "
                     "selbst ausgestellt."))
      << Lines();
  ASSERT_EQ(observer_.certificates.size(), 1u);
  const std::string fingerprint = observer_.certificates[0].fingerprint;
  std::string openssl;
  if (FILE* p = popen(("openssl x509 -noout -fingerprint -sha256 -in '" + selfSigned.string() + "'").c_str(), "r")) {
    for (int c; (c = fgetc(p)) != EOF;) openssl += static_cast<char>(c);
    pclose(p);
  }
  EXPECT_NE(openssl.find(ShowFingerprint(fingerprint)), std::string::npos) << openssl;

  ASSERT_TRUE(TrustCertificate(db_, fingerprint));
  for (const bool passive : {true, false}) {
    UseServer(*server, passive, "/pub/shop/", "/pub/cgi-bin/", true);
    server->MarkLog();
    ASSERT_TRUE(Publish(*driver, TransferMethod::WholeShop)) << Lines();
    EXPECT_EQ(Set(server->Uploads()), Expected("/pub/cgi-bin/", "/pub/shop/", TransferFiles())) << passive;
    EXPECT_TRUE(Logged("Sending PROT P"));
  }

  const fs::path ca = dir_ / "ca.pem", signedCertificate = dir_ / "signed.pem", signedKey = dir_ / "signed.key";
  ASSERT_TRUE(test::MakeCaSignedCertificate(ca, signedCertificate, signedKey));
  const test::VsftpdTls tls{signedCertificate, signedKey};
  std::unique_ptr<FtpTestServer> verified = test::StartVsftpd(dir_ / "signed", &tls);
  ASSERT_NE(verified, nullptr);
  UseServer(*verified, true, "/pub/shop/", "/pub/cgi-bin/", true);
  FtpClientOptions options;
  options.caFile = ca.string();
  auto trusting = Driver(options);
  ASSERT_TRUE(Publish(*trusting)) << Lines();
  EXPECT_TRUE(observer_.certificates.empty());
}

TEST_F(UploadTest, AbortStopsTheTransferAfterItsChunkAndTheRunCountsAsFailed) {
  std::unique_ptr<FtpTestServer> server = test::StartPyftpdlib(dir_ / "ftp");
  ASSERT_NE(server, nullptr);
  UseServer(*server, true, "/shop/", "/cgi-bin/");
  constexpr uint64_t kBig = 48u << 20;
  generator_->Chain().push_back({"big file", [](RunContext& run) {
                                   std::string bytes(kBig, 'x');
                                   if (!ReplaceFileContent(run.Folder(ShopSubfolder::Data) / "zzgross.dat", bytes))
                                     return false;
                                   run.files.AddPublish(ShopSubfolder::Data, "zzgross.dat");
                                   return true;
                                 }});
  GenerateAged();
  fs::create_directories(server->Root() / "shop" / "imgs");
  test::WriteFileBytes(server->Root() / "shop" / "imgs" / "alt.gif", "veraltet");
  auto driver = Driver();
  const std::time_t before = driver->LastTransferTime();
  // Raised from inside the transfer, once a megabyte of the big file has gone.
  const int threshold = static_cast<int>(driver->ExpectedTotal() - kBig + (1u << 20));
  progress_.onProgress = [&](int position) {
    if (position > threshold) driver->Abort();
  };
  EXPECT_FALSE(Publish(*driver));
  progress_.onProgress = nullptr;
  EXPECT_TRUE(Logged("Abbruch-Kommando erkannt. Bitte warten Sie einen Moment..."));
  EXPECT_FALSE(Logged(std::to_string(kBig) + " Bytes in")) << "no statistics line for the aborted transfer";
  EXPECT_TRUE(Logged("Ende der FTP-Sitzung, Aufräumarbeiten..."));
  const auto quit = std::find(lines_.lines.begin(), lines_.lines.end(), "Sending QUIT");
  ASSERT_LT(quit + 1, lines_.lines.end());
  EXPECT_EQ(quit[1].substr(0, 4), "221 ") << "the aborted exchange was finished: replies stay in step";
  EXPECT_TRUE(observer_.lastFtp.empty());
  EXPECT_TRUE(observer_.urls.empty());
  EXPECT_EQ(driver->LastTransferTime(), before);
  EXPECT_EQ(observer_.generate, (std::vector<bool>{false, true}));
  EXPECT_EQ(driver->ButtonCaption(), "&Publizieren");
  EXPECT_TRUE(server->Deletes().empty() && fs::exists(server->Root() / "shop" / "imgs" / "alt.gif"))
      << "nothing is deleted after an abort";
}

// Each file arrives whole under its name: a customer reading the live shop during a
// publish gets the old or the new file, never a part. Pictures arrive before the data
// that names them, the scripts and the entry page last; parts of a run cut off earlier
// are cleared away.
TEST_F(UploadTest, ReadersOfTheLiveShopSeeTheOldOrTheNewFileNeverAPart) {
  GenerateAged();
  const fs::path local = paths_.folder / "data" / "product.toc";
  const std::string before(12u << 20, 'a'), after(9u << 20, 'b');
  test::WriteFileBytes(local, before);
  SetFileTime(local, Now() - 3600);
  for (const bool sftp : {false, true}) {
    SCOPED_TRACE(sftp ? "SFTP" : "FTP");
    std::unique_ptr<FtpTestServer> server;
    std::unique_ptr<UploadDriver> driver;
    if (sftp) {
      std::unique_ptr<test::SshdTestServer> sshd = test::SshdTestServer::Start(dir_ / "ssh");
      ASSERT_NE(sshd, nullptr);
      UseSftp(*sshd, sshd->Password());
      FtpClientOptions options;
      options.sshDir = sshd->ClientDir();
      options.trustedHostKey = sshd->HostKeyFingerprint();
      driver = Driver(options);
      server = std::move(sshd);
    } else {
      server = test::StartPyftpdlib(dir_ / "ftp");
      ASSERT_NE(server, nullptr);
      UseServer(*server, true, "/shop/", "/cgi-bin/");
      driver = Driver();
    }
    const fs::path remote = server->Root() / "shop";
    ASSERT_TRUE(Publish(*driver, TransferMethod::WholeShop)) << Lines();
    const std::vector<std::string> order = server->Uploads();
    ASSERT_EQ(Set(order), Expected("/cgi-bin/", "/shop/", TransferFiles()));
    auto position = [&](const std::string& path) { return std::find(order.begin(), order.end(), path) - order.begin(); };
    for (const std::string& file : TransferFiles())
      if (!file.starts_with("data/")) {
        EXPECT_LT(position("/shop/" + file), position("/shop/data/product.toc")) << file;
      }
    EXPECT_LT(position("/shop/data/product.toc"), position("/cgi-bin/catalog.cgi"));
    EXPECT_EQ(order.back(), "/shop/index.html");

    for (const fs::path& part : {remote / "vendora-part~index.html", remote / "imgs" / "vendora-part~alt.gif",
                                server->Root() / "cgi-bin" / "vendora-part~order.cgi"})
      test::WriteFileBytes(part, "Rest eines abgebrochenen Laufs");
    server->MarkLog();
    test::WriteFileBytes(local, after);
    SetFileTime(local, Now() + 5);
    std::atomic<bool> done = false;
    std::set<size_t> seen;
    std::atomic<size_t> reads = 0;
    std::thread reader([&] {
      while (!done) {
        const std::string bytes = test::ReadFileBytes(remote / "data" / "product.toc");
        ++reads;
        seen.insert(bytes.size());
        if (bytes.find_first_not_of(bytes.empty() ? 'a' : bytes[0]) != std::string::npos) seen.insert(0);
      }
    });
    // The reader is under way before the publish starts (how often it reads during the
    // publish depends on the machine: a sanitizer build reads slowly).
    while (reads == 0) std::this_thread::yield();
    const bool published = Publish(*driver);
    done = true;
    reader.join();
    ASSERT_TRUE(published) << Lines();
    for (size_t size : seen) EXPECT_TRUE(size == before.size() || size == after.size()) << size;
    EXPECT_EQ(test::ReadFileBytes(remote / "data" / "product.toc"), after);
    EXPECT_TRUE(PartFiles(server->Root()).empty());
    // Replaced in place, never deleted first: the only files removed are the old parts.
    for (const std::string& deleted : server->Deletes()) EXPECT_NE(deleted.find("/vendora-part~"), std::string::npos) << deleted;
    test::WriteFileBytes(local, before);
    SetFileTime(local, Now() - 3600);
  }
}

// OpenSSH's rules of trust: an unknown host key is asked about with its fingerprint
// and, once confirmed, added to known_hosts; a changed key is refused whatever was
// confirmed. Logon by key (the password unlocking it), else by password.
TEST_F(UploadTest, SftpPublishesWithTheTrustAndLogonsOfOpenSsh) {
  std::unique_ptr<test::SshdTestServer> server = test::SshdTestServer::Start(dir_ / "ssh");
  ASSERT_NE(server, nullptr);
  UseSftp(*server, server->Password());
  GenerateAged();
  auto driver = SftpDriver(*server);
  const std::string fingerprint = server->HostKeyFingerprint();
  ASSERT_TRUE(fingerprint.starts_with("SHA256:")) << fingerprint;
  EXPECT_FALSE(Publish(*driver));
  ASSERT_EQ(observer_.certificates.size(), 1u);
  EXPECT_TRUE(observer_.certificates[0].sshHostKey);
  EXPECT_EQ(observer_.certificates[0].fingerprint, fingerprint);
  EXPECT_TRUE(Logged("Der Host-Schlüssel des Servers \"127.0.0.1\" ist unbekannt.\nSHA-256-Fingerabdruck: " +
                     fingerprint))
      << Lines();
  EXPECT_TRUE(server->Uploads().empty());
  EXPECT_FALSE(fs::exists(server->ClientDir() / "known_hosts"));

  driver->TrustHostKey(fingerprint);
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_TRUE(Logged("Angemeldet mit einem Schlüssel."));
  EXPECT_NE(test::ReadFileBytes(server->ClientDir() / "known_hosts").find("[127.0.0.1]:" + std::to_string(server->Port())),
            std::string::npos);
  EXPECT_EQ(Set(server->Uploads()), Expected("/cgi-bin/", "/shop/", TransferFiles()));
  const fs::path remote = server->Root() / "shop";
  EXPECT_EQ(test::ReadFileBytes(remote / "data" / "product.toc"),
            test::ReadFileBytes(paths_.folder / "data" / "product.toc"));
  for (const char* name : {"catalog.cgi", "order.cgi", "webcode.pm"}) {
    struct stat st {};
    ASSERT_EQ(stat((server->Root() / "cgi-bin" / name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & 0777, std::string(name).ends_with(".cgi") ? 0755u : 0644u) << name;
  }

  // An update: the scripts and the entry page go, a stale file goes, a kept one stays.
  const std::string kept = generator_->LastRun()->files.Unused(ShopSubfolder::Prods).begin()->first;
  test::WriteFileBytes(remote / "prods" / kept, "zurückgehalten");
  test::WriteFileBytes(remote / "imgs" / "alt.gif", "veraltet");
  server->MarkLog();
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_EQ(Set(server->Uploads()), Expected("/cgi-bin/", "/shop/", {}));
  EXPECT_EQ(server->Deletes(), std::vector<std::string>{"/shop/imgs/alt.gif"});
  EXPECT_TRUE(fs::exists(remote / "prods" / kept));

  // Without the key, the password; a wrong one is refused by name.
  fs::rename(server->ClientDir() / "id_ed25519", server->ClientDir() / "weggelegt");
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_TRUE(Logged("Angemeldet mit dem Kennwort."));
  UseSftp(*server, "falsch");
  EXPECT_FALSE(Publish(*driver));
  EXPECT_TRUE(Logged("Die Anmeldung als \"vendora-sftp\" wurde abgelehnt: Weder ein Schlüssel noch das Kennwort "
                     "wurde angenommen."));

  // A key protected by a passphrase is opened with the merchant's password.
  std::unique_ptr<test::SshdTestServer> locked = test::SshdTestServer::Start(dir_ / "ssh2", "Sftp-Geheim-7");
  ASSERT_NE(locked, nullptr);
  UseSftp(*locked, "Sftp-Geheim-7");
  FtpClientOptions options;
  options.sshDir = locked->ClientDir();
  options.trustedHostKey = locked->HostKeyFingerprint();
  ASSERT_TRUE(Publish(*Driver(options))) << Lines();
  EXPECT_TRUE(Logged("Angemeldet mit einem Schlüssel."));

  // A changed host key: refused, and nothing to ask.
  ASSERT_TRUE(server->Restart(true));
  UseSftp(*server, server->Password());
  driver->TrustHostKey(server->HostKeyFingerprint());
  server->MarkLog();
  EXPECT_FALSE(Publish(*driver));
  EXPECT_TRUE(Logged("Der Host-Schlüssel des Servers \"127.0.0.1\" hat sich geändert! Das kann ein Angriff sein; die "
                     "Verbindung wird nicht aufgebaut."))
      << Lines();
  EXPECT_TRUE(observer_.certificates.empty());
  EXPECT_TRUE(server->Uploads().empty());
}

// A server that stops answering mid-file ends the run by the time-out; the part it
// holds is cleared by the next publish, which sends the file whole.
TEST_F(UploadTest, SftpServerThatStopsAnsweringTimesOutAndLeavesNoPartForLong) {
  std::unique_ptr<test::SshdTestServer> server = test::SshdTestServer::Start(dir_ / "ssh");
  ASSERT_NE(server, nullptr);
  UseSftp(*server, server->Password());
  constexpr uint64_t kBig = 24u << 20;
  generator_->Chain().push_back({"big file", [](RunContext& run) {
                                   if (!ReplaceFileContent(run.Folder(ShopSubfolder::Data) / "zzgross.dat",
                                                           std::string(kBig, 'x')))
                                     return false;
                                   run.files.AddPublish(ShopSubfolder::Data, "zzgross.dat");
                                   return true;
                                 }});
  GenerateAged();
  FtpClientOptions options;
  options.sshDir = server->ClientDir();
  options.trustedHostKey = server->HostKeyFingerprint();
  options.timeoutSeconds = 2;
  auto driver = Driver(options);
  const int threshold = static_cast<int>(driver->ExpectedTotal() - kBig + (1u << 20));
  progress_.onProgress = [&](int position) {
    if (position > threshold) server->Pause();
  };
  EXPECT_FALSE(Publish(*driver));
  progress_.onProgress = nullptr;
  server->Resume();
  EXPECT_TRUE(Logged("Der SFTP-Server antwortet seit 2 Sekunden nicht mehr; die Verbindung wird beendet.")) << Lines();
  EXPECT_TRUE(observer_.lastFtp.empty());
  const fs::path remote = server->Root() / "shop";
  EXPECT_FALSE(fs::exists(remote / "data" / "zzgross.dat"));
  EXPECT_FALSE(PartFiles(server->Root()).empty()) << "cut off mid-file";

  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_TRUE(PartFiles(server->Root()).empty());
  EXPECT_EQ(fs::file_size(remote / "data" / "zzgross.dat"), kBig);
}

// The shop's log file gets every line of the run after what it held, and keeps
// getting them when a log viewer empties it while the run goes on.
TEST_F(UploadTest, TheRunsLinesGoToTheShopsLogFile) {
  std::unique_ptr<FtpTestServer> server = test::StartPyftpdlib(dir_ / "ftp");
  ASSERT_NE(server, nullptr);
  UseServer(*server, true, "/shop/", "/cgi-bin/");
  GenerateAged();
  auto driver = Driver({}, true);
  auto join = [](auto begin, auto end) {
    std::string all;
    for (auto l = begin; l != end; ++l) all += *l + "\n";
    return all;
  };
  test::WriteFileBytes(paths_.logFile, "Zeile davor\n");
  ASSERT_TRUE(Publish(*driver)) << Lines();
  EXPECT_TRUE(Logged("Sending LIST thumbs"));
  // The page's own lines (banner, settings check) are the page log's to write.
  const auto session = std::find(lines_.lines.begin(), lines_.lines.end(), "Starte FTP-Sitzung...");
  ASSERT_NE(session, lines_.lines.end());
  EXPECT_EQ(test::ReadFileBytes(paths_.logFile), "Zeile davor\n" + join(session, lines_.lines.end()));

  size_t emptiedAfter = 0;
  progress_.onProgress = [&](int) {
    if (emptiedAfter == 0 && lines_.lines.size() > 10) {
      emptiedAfter = lines_.lines.size();
      std::ofstream(paths_.logFile, std::ios::binary | std::ios::trunc);
    }
  };
  ASSERT_TRUE(Publish(*driver)) << Lines();
  progress_.onProgress = nullptr;
  ASSERT_GT(emptiedAfter, 0u);
  EXPECT_EQ(test::ReadFileBytes(paths_.logFile), join(lines_.lines.begin() + static_cast<long>(emptiedAfter), lines_.lines.end()));
}

TEST_F(UploadTest, StartStopsBeforeTheWorkerWhenTheShopOrItsSettingsAreNotReady) {
  auto driver = Driver();
  // Not generated yet: asked first; No leaves everything.
  prompter_.Queue(Answer::No);
  EXPECT_FALSE(driver->Start(TransferMethod::Update));
  EXPECT_EQ(prompter_.Texts().back(),
            "Der Shop wurde noch nicht erzeugt.\nBevor der Shop publiziert werden kann, muß Vendora erst die "
            "notwendigen Dateien erzeugen.\nJetzt erzeugen?\n");
  EXPECT_FALSE(fs::exists(paths_.folder / "data" / "product.toc"));
  // Generated on Yes; an FTP check that fails ends it with 22179.
  CRecSetFtpServer ftp(db_);
  ftp.Open();
  ftp.Edit();
  ftp->HostName = " ";
  ftp.Update();
  prompter_.Queue(Answer::Yes);
  prompter_.Queue(Answer::Cancel);
  EXPECT_FALSE(driver->Start(TransferMethod::Update));
  EXPECT_TRUE(fs::exists(paths_.folder / "data" / "product.toc"));
  EXPECT_EQ(lines_.lines.back(),
            "Die Fortsetzung ist aufgrund von Fehlern in der FTP Server-Konfiguration leider nicht möglich.");
  EXPECT_FALSE(driver->IsRunning());
  EXPECT_TRUE(observer_.generate.empty());
}

TEST(UploadPages, LastTransferIsStoredWithoutChangingTheShop) {
  test::TempDir dir;
  test::CreateShopFile(dir / "shop.mdb");
  ShopDatabase db;
  db.Open(dir / "shop.mdb");
  test::ScriptedPrompter prompter;
  EXPECT_EQ(LastTransferLabel(0), "Zuletzt übertragen am: Unbekannt.");
  EXPECT_EQ(ReadLastTransferTime(db), 0);
  for (const bool changed : {false, true}) {
    SetDatabaseChanged(changed);
    ASSERT_TRUE(StoreLastTransferTime(db, 1'700'000'000 + changed, prompter));  // the empty table gets its row
    EXPECT_EQ(IsDatabaseChanged(), changed);
  }
  EXPECT_EQ(ReadLastTransferTime(db), 1'700'000'001);
  EXPECT_EQ(TableRowCount(db, "Options"), 1);
}

TEST(UploadPlan, EachRemoteNameIsSentSkippedKeptDeletedOrLeftAlone) {
  test::TempDir dir;
  fs::create_directories(dir / "imgs");
  const std::time_t last = 1'700'000'000;
  for (const auto& [name, time] : std::vector<std::pair<std::string, std::time_t>>{
           {"alt.gif", last - 60}, {"neu.gif", last + 60}, {"gleich.gif", last}, {"fehlt.gif", last - 60}}) {
    test::WriteFileBytes(dir / "imgs" / name, name);
    SetFileTime(dir / "imgs" / name, time);
  }
  FileLists lists(dir.path());
  for (const char* name : {"alt.gif", "neu.gif", "gleich.gif", "fehlt.gif"}) lists.AddPublish(ShopSubfolder::Imgs, name);
  lists.AddUnused(ShopSubfolder::Imgs, "zurueck.gif");
  FtpListing remote;
  for (const char* name : {"alt.gif", "neu.gif", "gleich.gif", "zurueck.gif", "weg.gif", "mein bild.gif", "..",
                           "../../etc/passwd", "a\\b", "*", "x?.gif", "[a].gif"})
    remote[name] = FtpFileEntry{name, 1, 0, false, false};
  remote["ordner"] = FtpFileEntry{"ordner", 0, 0, true, false};
  const std::vector<SyncStep> steps =
      PlanSynchronisation(lists.Publish(ShopSubfolder::Imgs), lists.Unused(ShopSubfolder::Imgs), remote, last, dir.path());
  std::vector<std::pair<std::string, SyncAction>> got;
  for (const SyncStep& s : steps) got.emplace_back(s.name, s.action);
  // Wildcards too: a server that expands them in DELE would empty the folder.
  const std::vector<std::pair<std::string, SyncAction>> expected = {
      {"*", SyncAction::Refuse},
      {"..", SyncAction::Refuse},           {"../../etc/passwd", SyncAction::Refuse},
      {"[a].gif", SyncAction::Refuse},
      {"a\\b", SyncAction::Refuse},         {"alt.gif", SyncAction::Skip},
      {"gleich.gif", SyncAction::Skip},     {"mein bild.gif", SyncAction::Delete},
      {"neu.gif", SyncAction::Send},        {"ordner", SyncAction::Refuse},
      {"weg.gif", SyncAction::Delete},      {"x?.gif", SyncAction::Refuse},
      {"zurueck.gif", SyncAction::Keep},    {"fehlt.gif", SyncAction::Send}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(steps[6].localPath, "imgs/gleich.gif");
  EXPECT_EQ(steps[6].size, 10u);
  // The whole shop: every file is sent.
  for (const SyncStep& s : PlanSynchronisation(lists.Publish(ShopSubfolder::Imgs), {}, {}, 0, dir.path()))
    EXPECT_EQ(s.action, SyncAction::Send) << s.name;
}

}  // namespace
}  // namespace vendora
