#include "generator/picture_queue.h"

#include <algorithm>
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
                                         int quality, Prompter& prompter, int workers)
    : pictures_(pictures),
      thumbnails_(thumbnails),
      makeThumbnails_(makeThumbnails),
      quality_(quality),
      prompter_(prompter) {
  if (workers <= 0) workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // Enough planned ahead that no worker waits for the planner, few enough that the
  // results held stay small.
  window_ = 4 * static_cast<size_t>(workers);
  try {
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { MakeThumbnails(); });
    planner_ = std::thread([this] { Plan(); });
  } catch (...) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    jobWaiting_.notify_all();
    for (std::thread& t : workers_) t.join();
    throw;
  }
}

ProductPictureQueue::~ProductPictureQueue() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  planWork_.notify_all();
  jobWaiting_.notify_all();
  planner_.join();
  for (std::thread& t : workers_) t.join();
}

void ProductPictureQueue::Start(std::vector<int32_t> productIds) {
  {
    std::lock_guard lock(mutex_);
    if (taken_ != ids_.size()) throw std::logic_error("picture batch started before the last was taken");
    ids_ = std::move(productIds);
    next_ = taken_ = 0;
    done_.clear();
  }
  planWork_.notify_all();
}

ProductPictureQueue::Result ProductPictureQueue::Take() {
  Done done;
  {
    std::unique_lock lock(mutex_);
    if (taken_ == ids_.size()) throw std::logic_error("more pictures taken than handed over");
    resultDone_.wait(lock, [&] { return !done_.empty(); });
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

// The planner: plans products ahead, in order, and finishes each in the same order
// once it is made. Only this thread touches the folders.
void ProductPictureQueue::Plan() {
  std::unique_lock lock(mutex_);
  for (;;) {
    planWork_.wait(lock, [&] {
      return stop_ || (!planned_.empty() && planned_.front()->ready) ||
             (next_ < ids_.size() && planned_.size() < window_);
    });
    if (stop_) return;
    if (!planned_.empty() && planned_.front()->ready) {
      std::shared_ptr<Job> job = std::move(planned_.front());
      planned_.pop_front();
      lock.unlock();
      FinishJob(*job);
      lock.lock();
      done_.push_back(std::move(job->done));
      resultDone_.notify_one();
    } else {
      const int32_t id = ids_[next_++];
      lock.unlock();
      std::shared_ptr<Job> job = PlanJob(id);
      lock.lock();
      planned_.push_back(job);
      if (!job->ready) {
        waiting_.push_back(std::move(job));
        jobWaiting_.notify_one();
      }
    }
  }
}

void ProductPictureQueue::MakeThumbnails() {
  std::unique_lock lock(mutex_);
  for (;;) {
    jobWaiting_.wait(lock, [&] { return stop_ || !waiting_.empty(); });
    if (stop_) return;
    std::shared_ptr<Job> job = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    try {
      KeptMessages kept(job->done.messages);
      MakeProductThumbnail(job->work, &kept);
    } catch (...) {
      job->done.error = std::current_exception();
    }
    lock.lock();
    job->ready = true;
    planWork_.notify_one();
  }
}

std::shared_ptr<ProductPictureQueue::Job> ProductPictureQueue::PlanJob(int32_t id) {
  auto job = std::make_shared<Job>();
  try {
    job->work = PlanProductImageRefs(kImagePattern, pictures_, thumbnails_, id, makeThumbnails_, quality_);
  } catch (...) {
    job->done.error = std::current_exception();
  }
  job->ready = job->done.error || job->work.task == ProductPictureWork::Task::None;
  return job;
}

void ProductPictureQueue::FinishJob(Job& job) {
  if (job.done.error) return;
  try {
    Result& result = job.done.result;
    result.refs = FinishProductImageRefs(job.work, pictures_, thumbnails_);
    const ProductImageRefs& refs = result.refs;
    result.picture = StampOfRef(pictures_, refs.unreadable.empty() ? refs.picture : refs.unreadable);
    result.thumbnail = StampOfRef(thumbnails_, refs.thumbnail);
  } catch (...) {
    job.done.error = std::current_exception();
  }
}

}  // namespace vendora
