// The drawing in progress, kept in IndexedDB as its record (replaying it
// rebuilds everything). Every call resolves; failures give false or null.

const databaseName = "sketchhaven";
const storeName = "drawings";
const key = "current";
const openTimeout = 1000; // a blocked database must not hold the painter

let opening = null;

function database() {
  opening ??= new Promise((resolve) => {
    const timer = setTimeout(() => resolve(null), openTimeout);
    const done = (db) => {
      clearTimeout(timer);
      resolve(db);
    };
    try {
      const request = indexedDB.open(databaseName, 1);
      request.onupgradeneeded = () => request.result.createObjectStore(storeName);
      request.onsuccess = () => done(request.result);
      request.onerror = () => done(null);
      request.onblocked = () => done(null);
    } catch {
      done(null);
    }
  });
  return opening;
}

// One request on the store; its result, or failure when anything fails.
async function onStore(mode, act, failure) {
  const db = await database();
  if (!db) return failure;
  return new Promise((resolve) => {
    try {
      const transaction = db.transaction(storeName, mode);
      const request = act(transaction.objectStore(storeName));
      transaction.oncomplete = () => resolve(mode === "readonly" ? request.result : true);
      transaction.onerror = () => resolve(failure);
      transaction.onabort = () => resolve(failure);
    } catch {
      resolve(failure);
    }
  });
}

// The kept record (Uint8Array), or null when none is kept.
export async function loadKept() {
  const value = await onStore("readonly", (store) => store.get(key), null);
  return value instanceof Uint8Array && value.length > 0 ? value : null;
}

// Writes run one after another; a keep asked for while another waits is
// the same write (it reads the record when its turn comes), so the last
// state always wins and a burst of actions costs at most two writes.
export function createKeeper(recordOf) {
  let waiting = null;
  let chain = Promise.resolve(true);
  const queue = (operation) => (chain = chain.then(() => operation().catch(() => false)));
  return {
    keep() {
      waiting ??= queue(async () => {
        waiting = null;
        const bytes = await recordOf();
        return onStore("readwrite", (store) => store.put(bytes, key), false);
      });
      return waiting;
    },
    // A keep asked for after this must write after it, not join a write queued before.
    clear() {
      waiting = null;
      return queue(() => onStore("readwrite", (store) => store.delete(key), false));
    },
  };
}
