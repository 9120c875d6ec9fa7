#pragma once
// Product pictures made beside the catalogue walk, which writes the data files:
// finding each picture, checking (or making) its thumbnail and reading the files'
// stamps costs about as much as the walk itself, and making thumbnails far more. The
// walk hands over a category's products in walk order and takes the results in the
// same order.
//
// One planning thread looks into and updates the two picture folders, in product
// order; while a batch is in hand only it touches them. Decoding pictures and writing
// thumbnails, the costly part, runs on a pool of workers (one per core by default);
// each works only on its own product's files, so the results and every written byte
// are the same whatever the number of workers. Messages (a thumbnail that cannot be
// made) are kept and shown through the run's prompter, on the walk's thread, when
// their product's result is taken.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/file_stamp.h"
#include "common/prompter.h"
#include "imaging/image_refs.h"

namespace vendora {

class ProductPictureQueue {
 public:
  struct Result {
    ProductImageRefs refs;
    // Stamps of the referenced files (of the picture also when it cannot be read).
    std::optional<FileStamp> picture, thumbnail;
  };

  // `workers`: threads making thumbnails; 0 means one per core.
  ProductPictureQueue(PictureFolder& pictures, PictureFolder& thumbnails, bool makeThumbnails, int quality,
                      Prompter& prompter, int workers = 0);
  // Stops after the product in hand and waits for the thread.
  ~ProductPictureQueue();
  ProductPictureQueue(const ProductPictureQueue&) = delete;
  ProductPictureQueue& operator=(const ProductPictureQueue&) = delete;

  // Hands over the next batch; every result of the previous one must have been taken.
  void Start(std::vector<int32_t> productIds);
  // The next result in order (waits for it); shows its messages first and rethrows
  // what making it threw.
  Result Take();
  // The same without waiting: nullopt while the next result is not ready.
  std::optional<Result> TryTake();

 private:
  struct Done {
    Result result;
    std::vector<MessageRequest> messages;
    std::exception_ptr error;
  };
  // A planned product on its way through the workers.
  struct Job {
    ProductPictureWork work;
    Done done;
    bool ready = false;  // made (or nothing to make): the planner may finish it
  };
  void Plan();
  void MakeThumbnails();
  std::shared_ptr<Job> PlanJob(int32_t id);
  void FinishJob(Job& job);
  Result Deliver(Done done);

  PictureFolder& pictures_;
  PictureFolder& thumbnails_;
  const bool makeThumbnails_;
  const int quality_;
  Prompter& prompter_;
  size_t window_;  // products planned ahead of the oldest unfinished one

  std::mutex mutex_;
  // One per kind of waiter, so that a product passing through wakes only who can act
  // on it: in a run with every thumbnail fresh the workers never wake at all.
  std::condition_variable planWork_;  // the planner: a job made, room in the window, a batch, stop
  std::condition_variable jobWaiting_;  // the workers: a job to make, stop
  std::condition_variable resultDone_;  // the taker: a result
  std::vector<int32_t> ids_;
  size_t next_ = 0;   // the next id to plan
  size_t taken_ = 0;  // results taken of this batch
  std::deque<std::shared_ptr<Job>> planned_;  // in product order, until finished
  std::deque<std::shared_ptr<Job>> waiting_;  // for a worker
  std::deque<Done> done_;
  bool stop_ = false;
  // Last: they start when everything above is ready.
  std::vector<std::thread> workers_;
  std::thread planner_;
};

}  // namespace vendora
