"use strict";

(function () {
  const form = document.getElementById("pair-form");
  const input = document.getElementById("code");
  const button = document.getElementById("pair-button");
  const message = document.getElementById("pair-message");
  let lockedUntil = 0;
  let unlockTimer = 0;

  function say(text, isProblem) {
    message.textContent = text;
    message.classList.toggle("problem", Boolean(isProblem));
  }

  function clock(ms) {
    return new Date(ms).toLocaleTimeString([], { hour: "2-digit", minute: "2-digit", second: "2-digit" });
  }

  // Keyboards and pasted messages bring spaces and dashes; only the digits count.
  function digits() {
    return input.value.replace(/[^0-9]/g, "");
  }

  // This browser's own id, kept beside the cookie, so pairing again replaces this phone's
  // earlier pairing on the console instead of adding another phone.
  function browserId() {
    try {
      let id = localStorage.getItem("lumadesk_phone");
      if (!/^[0-9a-f]{32}$/.test(id || "")) {
        const bytes = new Uint8Array(16);
        crypto.getRandomValues(bytes);
        id = Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join("");
        localStorage.setItem("lumadesk_phone", id);
      }
      return id;
    } catch (e) {
      return null; // no storage (a private window): paired as a phone of its own
    }
  }

  function lockFor(seconds) {
    lockedUntil = Date.now() + seconds * 1000;
    button.disabled = true;
    // The console also locks every phone after many wrong codes from anywhere: not "this phone".
    say("Too many wrong codes. Try again at " + clock(lockedUntil) +
        " (in " + seconds + " seconds).", true);
    clearTimeout(unlockTimer);
    unlockTimer = setTimeout(function () {
      lockedUntil = 0;
      button.disabled = false;
      say("You can try a code again now.", false);
    }, seconds * 1000);
  }

  async function pair(code) {
    const id = browserId();
    button.disabled = true;
    say("Checking the code…", false);
    let response;
    try {
      response = await fetch("/pair", {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(id ? { code: code, phone: id } : { code: code }),
        credentials: "same-origin",
        cache: "no-store",
      });
    } catch (e) {
      button.disabled = false;
      say("The console did not answer. Is this phone on the studio's network, and is the " +
          "remote switched on at the console?", true);
      return;
    }
    if (response.ok) {
      say("Paired. Opening the remote…", false);
      location.replace("/");
      return;
    }
    if (response.status === 429) {
      const wait = parseInt(response.headers.get("Retry-After") || "", 10);
      lockFor(wait > 0 && wait < 3600 ? wait : 60);
      return;
    }
    button.disabled = false;
    if (response.status === 403) {
      say("Wrong code. Check the six digits on the console and try again.", true);
      input.select();
      return;
    }
    let why = "";
    try {
      const body = await response.json();
      if (body && typeof body.error === "string")
        why = body.error;
    } catch (e) {
      // no readable reason: the status alone is said
    }
    say("The console refused the code (" + response.status + (why ? ": " + why : "") + ").", true);
  }

  form.addEventListener("submit", function (event) {
    event.preventDefault();
    if (lockedUntil > Date.now())
      return;
    const code = digits();
    if (code.length !== 6) {
      say("The code has six digits; " + (code.length === 0 ? "none was typed." : "this has " +
          code.length + "."), true);
      input.focus();
      return;
    }
    pair(code);
  });

  input.focus();
})();
