package realapp;

/** Serve with the form of secondaryMain that returns nothing. */
public class ServeVoid {
    public static void main(String[] args) throws Exception {
        Serve.run(args, true);
    }

    public static void secondaryMain(String[] args) {
        Serve.serve(args, true);
    }
}
