#include "generator/picture_queue.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace vendora {

namespace {

// Keeps the messages of one product for showing later; answers nothing but Ok.
class KeptMessages : public Prompter {
 public:
  explicit KeptMessages(std::vector<MessageRequest>& kept) : kept_(kept) {}
  Answer Ask(const MessageRequest& request) override {
    kept_.push_back(request);
    return request.buttons == MessageButtons::Ok ? Answer::Ok : request.defaultAnswer;
  }

 private:
  std::vector<MessageRequest>& kept_;
};

std::optional<FileStamp> StampOfRef(PictureFolder& folder, const std::string& ref) {
  const std::string name = ref.substr(0, ref.find('/'));
  if (name.empty()) return std::nullopt;
  const FileStamp* stamp = folder.Stamp(name);
  return stamp ? std::optional<FileStamp>(*stamp) : std::nullopt;
}

}  // namespace

ProductPictureQueue::ProductPictureQueue(PictureFolder& pictures, PictureFolder& thumbnails, bool makeThumbnails,
                                         int quality, Prompter& prompter)
    : pictures_(pictures),
      thumbnails_(thumbnails),
      makeThumbnails_(makeThumbnails),
      quality_(quality),
      prompter_(prompter),
      thread_([this] { Work(); }) {}

ProductPictureQueue::~ProductPictureQueue() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ProductPictureQueue::Start(std::vector<int32_t> productIds) {
  {
    std::lock_guard lock(mutex_);
    if (taken_ != ids_.size()) throw std::logic_error("picture batch started before the last was taken");
    ids_ = std::move(productIds);
    next_ = taken_ = 0;
    done_.clear();
  }
  changed_.notify_all();
}

ProductPictureQueue::Result ProductPictureQueue::Take() {
  Done done;
  {
    std::unique_lock lock(mutex_);
    if (taken_ == ids_.size()) throw std::logic_error("more pictures taken than handed over");
    changed_.wait(lock, [&] { return !done_.empty(); });
    done = std::move(done_.front());
    done_.pop_front();
    ++taken_;
  }
  return Deliver(std::move(done));
}

std::optional<ProductPictureQueue::Result> ProductPictureQueue::TryTake() {
  Done done;
  {
    std::lock_guard lock(mutex_);
    if (done_.empty()) return std::nullopt;
    done = std::move(done_.front());
    done_.pop_front();
    ++taken_;
  }
  return Deliver(std::move(done));
}

ProductPictureQueue::Result ProductPictureQueue::Deliver(Done done) {
  for (const MessageRequest& message : done.messages) prompter_.Ask(message);
  if (done.error) std::rethrow_exception(done.error);
  return std::move(done.result);
}

void ProductPictureQueue::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || next_ < ids_.size(); });
    if (stop_) return;
    const int32_t id = ids_[next_];
    lock.unlock();
    Done done = Make(id);
    lock.lock();
    ++next_;
    done_.push_back(std::move(done));
    changed_.notify_all();
  }
}

ProductPictureQueue::Done ProductPictureQueue::Make(int32_t id) {
  Done done;
  try {
    KeptMessages kept(done.messages);
    done.result.refs =
        MakeProductImageRefs(kImagePattern, pictures_, thumbnails_, id, makeThumbnails_, quality_, &kept);
    const ProductImageRefs& refs = done.result.refs;
    done.result.picture = StampOfRef(pictures_, refs.unreadable.empty() ? refs.picture : refs.unreadable);
    done.result.thumbnail = StampOfRef(thumbnails_, done.result.refs.thumbnail);
  } catch (...) {
    done.error = std::current_exception();
  }
  return done;
}

}  // namespace vendora
